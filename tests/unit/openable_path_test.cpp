#include "launch/openable_path.h"

#include "platform/platform_error.h"

#include <gtest/gtest.h>

namespace quben::testing {
namespace {

std::wstring PathOfLength(std::size_t length) {
    std::wstring path = L"C:\\Données d'essai\\";
    path.append(length - path.size() - 4, L'é');
    return path + L".xls";
}

struct ShortForms {
    std::wstring answer = L"C:\\DONNE~1\\EEEEEE~1.XLS";
    bool fails = false;
    int lookups = 0;
    std::wstring operator()(std::wstring_view) {
        ++lookups;
        if (fails)
            ThrowPlatformError(static_cast<std::int32_t>(0x80070002));
        return answer;
    }
};

TEST(OpenablePath, APathTheApplicationTakesGoesAsItIsWithoutALookup) {
    ShortForms shortForms;
    const std::wstring path = PathOfLength(kSpreadsheetMaxPath);
    EXPECT_EQ(OpenablePath(path, std::ref(shortForms)), path);
    EXPECT_EQ(shortForms.lookups, 0);
}

TEST(OpenablePath, ATooLongPathGoesInItsShortForm) {
    ShortForms shortForms;
    EXPECT_EQ(kSpreadsheetMaxPath, 218u);
    EXPECT_EQ(OpenablePath(PathOfLength(kSpreadsheetMaxPath + 1), std::ref(shortForms)), shortForms.answer);
    shortForms.answer = PathOfLength(kSpreadsheetMaxPath); // the longest short form that fits
    EXPECT_EQ(OpenablePath(PathOfLength(250), std::ref(shortForms)), shortForms.answer);
}

TEST(OpenablePath, WithoutAShortFormThatFitsTheLongPathGoesAsItIs) {
    const std::wstring path = PathOfLength(250);
    ShortForms tooLong{PathOfLength(kSpreadsheetMaxPath + 1)};
    EXPECT_EQ(OpenablePath(path, std::ref(tooLong)), path);
    ShortForms empty{L""};
    EXPECT_EQ(OpenablePath(path, std::ref(empty)), path);
    ShortForms failing{L"", true};
    EXPECT_EQ(OpenablePath(path, std::ref(failing)), path);
    EXPECT_EQ(failing.lookups, 1);
}

} // namespace
} // namespace quben::testing
