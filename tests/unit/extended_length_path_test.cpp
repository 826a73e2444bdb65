#include "launch/extended_length_path.h"

#include <gtest/gtest.h>

namespace quben::testing {
namespace {

std::wstring Deep(std::wstring prefix, std::size_t length) {
    std::wstring path = std::move(prefix);
    while (path.size() < length - 6)
        path += L"\\dossier";
    path.resize(length - 6);
    return path + L"\\a.xls";
}

TEST(ExtendedLengthPath, ShortPathsAreLeftAsTheyAre) {
    for (const std::wstring path :
         {L"C:\\Été données\\é.xls", L"\\\\serveur\\partage\\a.xls", L"relatif\\a.xls", L""}) {
        EXPECT_EQ(ToExtendedLengthPath(path), path);
    }
    const std::wstring longestClassic = Deep(L"C:", 259);
    EXPECT_EQ(ToExtendedLengthPath(longestClassic), longestClassic);
}

TEST(ExtendedLengthPath, LongDrivePathsGetThePrefix) {
    const std::wstring path = Deep(L"D:", 260);
    EXPECT_EQ(ToExtendedLengthPath(path), L"\\\\?\\" + path);
    const std::wstring lower = Deep(L"z:", 400);
    EXPECT_EQ(ToExtendedLengthPath(lower), L"\\\\?\\" + lower);
    const std::wstring wildcard = Deep(L"C:", 300) + L"\\*.xls";
    EXPECT_EQ(ToExtendedLengthPath(wildcard), L"\\\\?\\" + wildcard);
}

TEST(ExtendedLengthPath, LongNetworkPathsUseTheUncForm) {
    const std::wstring path = Deep(L"\\\\serveur\\partage", 300);
    EXPECT_EQ(ToExtendedLengthPath(path), L"\\\\?\\UNC\\" + path.substr(2));
}

TEST(ExtendedLengthPath, PathsAlreadyInAnExtendedOrDeviceFormAreKept) {
    for (const std::wstring prefix : {L"\\\\?\\C:", L"\\\\.\\C:", L"\\\\?\\UNC\\serveur\\partage"}) {
        const std::wstring path = Deep(prefix, 300);
        EXPECT_EQ(ToExtendedLengthPath(path), path);
    }
}

TEST(ExtendedLengthPath, TheExtendedFormGoesBackToTheOneApplicationsTake) {
    for (const std::wstring& path : {Deep(L"C:", 300), Deep(L"\\\\serveur\\partage", 300)})
        EXPECT_EQ(FromExtendedLengthPath(ToExtendedLengthPath(path)), path);
    EXPECT_EQ(FromExtendedLengthPath(L"\\\\?\\C:\\A~1\\B.XLS"), L"C:\\A~1\\B.XLS");
    for (const std::wstring path : {L"C:\\a.xls", L"\\\\serveur\\partage\\a.xls", L""})
        EXPECT_EQ(FromExtendedLengthPath(path), path);
    EXPECT_EQ(FromExtendedLengthPath(L"\\\\?\\unc\\srv\\share\\a.xls"), L"\\\\srv\\share\\a.xls");
}

// Windows would read these as another name, or as no file at all, once the prefix is gone.
TEST(ExtendedLengthPath, OtherDeviceFormsAndNamesWin32WouldRewriteHaveNoClassicForm) {
    for (const std::wstring path :
         {L"\\\\?\\Volume{0b1e2c3d-0000-0000-0000-100000000000}\\a.xls", L"\\\\.\\C:\\a.xls",
          L"\\??\\C:\\a.xls", L"//?/C:/a.xls", L"\\\\?\\C:", L"\\\\?\\C:\\d\\a.xls.", L"\\\\?\\C:\\d \\a.xls",
          L"\\\\?\\C:\\d\\.\\a.xls", L"\\\\?\\C:\\d\\..\\a.xls", L"\\\\?\\C:\\d/a.xls",
          L"\\\\?\\C:\\d\\\\a.xls", L"\\\\?\\UNC\\\\share\\a.xls"})
        EXPECT_EQ(FromExtendedLengthPath(path), std::optional<std::wstring>()) << path;
}

TEST(ExtendedLengthPath, LongRelativeOrDriveRelativePathsAreKept) {
    for (const std::wstring prefix : {L"dossier", L"C:dossier", L"\\racine"}) {
        const std::wstring path = Deep(prefix, 300);
        EXPECT_EQ(ToExtendedLengthPath(path), path);
    }
}

} // namespace
} // namespace quben::testing
