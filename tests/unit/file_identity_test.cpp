#include "launch/file_identity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

namespace quben {
namespace {

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
           });
}

FileIdentity Identity(std::uint64_t serial, std::uint8_t index, const wchar_t* path) {
    FileIdentity identity;
    identity.basic.volumeSerialNumber = serial;
    identity.basic.id[0] = index;
    identity.path = path;
    return identity;
}

TEST(FileIdentityTest, AZeroSerialOrIdIsNoIdentityAndTheLongPathsDecide) {
    struct Case {
        FileIdentity a, b;
        bool same = false;
    };
    const Case cases[] = {
        {Identity(7, 1, L"Q:\\a.xls"), Identity(7, 1, L"\\\\srv\\p\\a.xls"), true}, // one file, two names
        {Identity(7, 1, L"Q:\\a.xls"), Identity(7, 2, L"Q:\\a.xls"), false},
        {Identity(0, 1, L"\\\\nas\\un\\a.xls"), Identity(0, 1, L"\\\\nas\\deux\\a.xls"), false}, // NAS zeros
        {Identity(7, 0, L"\\\\nas\\un\\a.xls"), Identity(7, 0, L"\\\\NAS\\UN\\A.XLS"), true},
        {Identity(7, 1, L"\\\\nas\\un\\a.xls"), Identity(0, 0, L"\\\\nas\\deux\\a.xls"), false},
    };
    for (const auto& [a, b, same] : cases)
        EXPECT_EQ(a.SameFileAs(b, SameIgnoringCase), same) << a.path.size() << " " << b.path.size();
    // The wide id, where both have one, outranks the basic one; a wide one without its serial
    // leaves the basic one to tell.
    FileIdentity a = Identity(7, 1, L"Q:\\a.xls"), b = Identity(7, 1, L"Q:\\b.xls");
    a.wide = FileId{9, {1}};
    b.wide = FileId{9, {2}};
    EXPECT_FALSE(a.SameFileAs(b, SameIgnoringCase));
    a.wide->volumeSerialNumber = b.wide->volumeSerialNumber = 0;
    EXPECT_TRUE(a.SameFileAs(b, SameIgnoringCase));
}

} // namespace
} // namespace quben
