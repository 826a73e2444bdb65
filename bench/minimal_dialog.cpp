// The reference for start-up time: a program that does nothing but show the launcher's open-file
// dialog (same title, filter, flags and buffer), without a window behind it.

#include <windows.h>

#include <commdlg.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    static wchar_t file[32768];
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.lpstrFilter = L"Fichiers Excel (*.xls)\0*.xls\0";
    request.nFilterIndex = 1;
    request.lpstrFile = file;
    request.nMaxFile = 32768;
    request.lpstrTitle = L"Calcul d'incertitude : ouvrir un fichier QUBen ...";
    request.Flags = 4112;
    return ::GetOpenFileNameW(&request) ? 0 : 1;
}
