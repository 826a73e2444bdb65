#include "workbook_file.h"

#include "win_handles.h"

namespace standin {

namespace {

constexpr DWORD kMaxContent = 4 * 1024 * 1024;

std::wstring notFound(std::wstring_view path) {
    return L"Impossible de trouver « " + std::wstring(path) +
           L" ». Vérifiez l'orthographe du nom de fichier et son emplacement.";
}

} // namespace

std::wstring fileNamePart(std::wstring_view path) {
    size_t slash = path.find_last_of(L"\\/");
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring fullPathOf(std::wstring_view path) {
    std::wstring text(path);
    DWORD needed = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    DWORD written = needed == 0 ? 0 : GetFullPathNameW(text.c_str(), needed, full.data(), nullptr);
    full.resize(written < needed ? written : 0);
    return full.empty() ? text : full;
}

ReadOutcome openWorkbookFile(std::wstring_view path) {
    std::wstring text(path);
    DWORD attributes = text.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(text.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {std::nullopt, notFound(path)};

    WorkbookFile workbook;
    // Wine lets root open a read-only file for writing: the attribute decides, as it does on Windows.
    workbook.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (!workbook.readOnly) {
        workbook.handle.reset(CreateFileW(text.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = workbook.handle ? ERROR_SUCCESS : GetLastError();
        workbook.readOnly = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    }
    if (workbook.readOnly)
        workbook.handle.reset(CreateFileW(text.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!workbook.handle)
        return {std::nullopt, L"Impossible d'accéder au fichier « " + text + L" »."};

    char buffer[64 * 1024];
    DWORD got = 0;
    while (workbook.content.size() < kMaxContent &&
           ReadFile(workbook.handle.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        workbook.content.append(buffer, got);
    workbook.fullName = fullPathOf(path);
    return {std::move(workbook), {}};
}

std::optional<std::string> requiredPassword(std::string_view content) {
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    constexpr std::string_view key = "password=";
    if (content.starts_with(bom))
        content.remove_prefix(bom.size());
    while (!content.empty()) {
        size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.starts_with(key))
            return std::string(line.substr(key.size()));
        if (end == std::string_view::npos)
            break;
        content.remove_prefix(end + 1);
    }
    return std::nullopt;
}

} // namespace standin
