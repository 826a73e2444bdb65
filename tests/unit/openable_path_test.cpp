#include "launch/openable_path.h"

#include "platform/platform_error.h"

#include <gtest/gtest.h>

namespace quben::testing {
namespace {

const std::wstring kFolder = L"C:\\Données d'essai\\";

// A path of `length` characters: kFolder, then a file name of é's ending in ".xls".
std::wstring PathOfLength(std::size_t length) {
    return kFolder + std::wstring(length - kFolder.size() - 4, L'é') + L".xls";
}

struct ShortForms {
    std::wstring answer = L"C:\\DONNE~1\\";
    bool fails = false;
    std::vector<std::wstring> asked{};
    std::wstring operator()(std::wstring_view folder) {
        asked.emplace_back(folder);
        if (fails)
            ThrowPlatformError(static_cast<std::int32_t>(0x80070002));
        return answer;
    }
};

TEST(OpenablePath, APathTheApplicationTakesGoesAsItIsWithoutALookup) {
    ShortForms shortForms;
    EXPECT_EQ(kSpreadsheetMaxPath, 218u);
    const std::wstring path = PathOfLength(kSpreadsheetMaxPath);
    EXPECT_EQ(OpenablePath(path, std::ref(shortForms)), path);
    EXPECT_EQ(OpenablePath(L"\\\\?\\" + path, std::ref(shortForms)), path) << "no extended-length prefix";
    EXPECT_TRUE(shortForms.asked.empty());
}

TEST(OpenablePath, ATooLongPathGoesWithItsFolderShortenedAndTheFilesOwnName) {
    ShortForms shortForms;
    const std::wstring path = PathOfLength(kSpreadsheetMaxPath + 1);
    const std::wstring name = path.substr(kFolder.size());
    EXPECT_EQ(OpenablePath(path, std::ref(shortForms)), L"C:\\DONNE~1\\" + name);
    EXPECT_EQ(shortForms.asked, std::vector<std::wstring>{kFolder});
    // A short form given without its final separator still gets one.
    shortForms.answer = L"C:\\DONNE~1";
    EXPECT_EQ(OpenablePath(path, std::ref(shortForms)), L"C:\\DONNE~1\\" + name);
    // The longest result that fits, exactly.
    shortForms.answer = std::wstring(kSpreadsheetMaxPath - name.size() - 1, L'D') + L"\\";
    EXPECT_EQ(OpenablePath(path, std::ref(shortForms))->size(), kSpreadsheetMaxPath);
}

TEST(OpenablePath, NothingWhenEvenTheShortenedPathIsTooLong) {
    const std::wstring path = PathOfLength(230);
    const std::size_t nameLength = path.size() - kFolder.size();
    ShortForms tooLong{std::wstring(kSpreadsheetMaxPath - nameLength, L'D') + L"\\"};
    EXPECT_EQ(OpenablePath(path, std::ref(tooLong)), std::nullopt) << "one character over";
    ShortForms failing{L"", true};
    EXPECT_EQ(OpenablePath(path, std::ref(failing)), std::nullopt);
    EXPECT_EQ(failing.asked.size(), 1u);
    ShortForms empty{L""};
    EXPECT_EQ(OpenablePath(path, std::ref(empty)), std::nullopt);
    // A file name that alone is too long: no folder can save it.
    ShortForms root{L"C:\\"};
    EXPECT_EQ(OpenablePath(L"C:\\" + std::wstring(kSpreadsheetMaxPath, L'n') + L".xls", std::ref(root)),
              std::nullopt);
    EXPECT_EQ(OpenablePath(std::wstring(kSpreadsheetMaxPath + 1, L'n'), std::ref(root)), std::nullopt);
}

} // namespace
} // namespace quben::testing
