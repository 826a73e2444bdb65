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

ReadOutcome readWorkbookFile(std::wstring_view path) {
    std::wstring text(path);
    DWORD attributes = text.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(text.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {std::nullopt, notFound(path)};

    UniqueKernelHandle file(CreateFileW(text.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return {std::nullopt, L"Impossible d'accéder au fichier « " + text + L" »."};

    WorkbookFile workbook;
    char buffer[64 * 1024];
    DWORD got = 0;
    while (workbook.content.size() < kMaxContent &&
           ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        workbook.content.append(buffer, got);

    DWORD needed = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    workbook.fullName.resize(needed);
    DWORD written = GetFullPathNameW(text.c_str(), needed, workbook.fullName.data(), nullptr);
    workbook.fullName.resize(written < needed ? written : 0);
    if (workbook.fullName.empty())
        workbook.fullName = text;
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
