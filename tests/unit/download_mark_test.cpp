#include "launch/download_mark.h"

#include <gtest/gtest.h>

#include <string>

namespace quben::testing {
namespace {

using namespace std::string_literals;

// A stream as tools that write UTF-16 store it: the BOM, then each unit low byte first.
std::string Utf16LeWithBom(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::optional<int> ZoneOf(std::string_view bytes) {
    const auto mark = ParseZoneIdentifier(bytes);
    return mark ? std::optional<int>(mark->zoneId) : std::nullopt;
}

std::wstring HostUrlOf(std::string_view bytes) {
    const auto mark = ParseZoneIdentifier(bytes);
    return mark ? mark->hostUrl : L"<no mark>";
}

TEST(ZoneIdentifier, ReadsZoneAndHostUrlWhateverTheLineEnds) {
    const std::string_view lines = "[ZoneTransfer]\nZoneId=3\nReferrerUrl=https://example.org/\n"
                                   "HostUrl=https://example.org/classeurs/budget%20mesures.xls\n";
    for (const std::string_view end : {"\r\n", "\n", "\r"}) {
        std::string bytes;
        for (const char c : lines)
            c == '\n' ? bytes.append(end) : bytes.append(1, c);
        const auto mark = ParseZoneIdentifier(bytes);
        ASSERT_TRUE(mark.has_value());
        EXPECT_EQ(mark->zoneId, 3);
        EXPECT_EQ(mark->hostUrl, L"https://example.org/classeurs/budget%20mesures.xls");
    }
}

TEST(ZoneIdentifier, BlanksAroundNamesAndValuesAndCaseAreIgnored) {
    const auto mark =
        ParseZoneIdentifier(" [ zonetransfer ]\t\r\n\t zoneID \t=  4 \r\n HOSTURL = https://a.example/b \t");
    ASSERT_TRUE(mark.has_value());
    EXPECT_EQ(mark->zoneId, 4);
    EXPECT_EQ(mark->hostUrl, L"https://a.example/b");
}

TEST(ZoneIdentifier, ZoneIdIsTheNumberTheValueStartsWith) {
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=3abc"), 3);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=+4"), 4);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=-1"), -1);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=abc"), std::nullopt);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId="), std::nullopt);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=-"), std::nullopt);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=4294967299"), 3); // modulo 2^32, as the system reads it
}

TEST(ZoneIdentifier, OnlyTheFirstZoneIdOfTheZoneTransferSectionCounts) {
    EXPECT_EQ(ZoneOf("ZoneId=3\n"), std::nullopt);
    EXPECT_EQ(ZoneOf("[Autre]\nZoneId=3\n[ZoneTransfer]\nHostUrl=https://a.example/\n"), std::nullopt);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=2\n[Autre]\nZoneId=3\n"), 2);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=1\nZoneId=3\n"), 1);
    EXPECT_EQ(ZoneOf("[ZoneTransfer]\nZoneId=x\nZoneId=3\n"), std::nullopt);
    EXPECT_EQ(ZoneOf("[ZoneTransfer\nZoneId=3\n"), std::nullopt);
}

TEST(ZoneIdentifier, Utf16LeWithBomIsDecoded) {
    const std::string bytes = Utf16LeWithBom(
        u"[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://exemple.fr/r\u00E9sum\u00E9\u20AC.xls\r\n");
    EXPECT_EQ(ZoneOf(bytes), 3);
    EXPECT_EQ(HostUrlOf(bytes), L"https://exemple.fr/r\u00E9sum\u00E9\u20AC.xls");
    EXPECT_EQ(HostUrlOf(bytes + 'x'), L"https://exemple.fr/r\u00E9sum\u00E9\u20AC.xls"); // odd byte
    EXPECT_EQ(HostUrlOf(Utf16LeWithBom(u"[ZoneTransfer]\nZoneId=3\nHostUrl=\U0001F600")), L"\U0001F600");
}

TEST(ZoneIdentifier, EightBitTextIsUtf8WhereValidElseCodePage1252) {
    const std::string utf8 =
        "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://exemple.fr/\xC3\xA9t\xC3\xA9\xF0\x9F\x98\x80";
    EXPECT_EQ(HostUrlOf(utf8), L"https://exemple.fr/\u00E9t\u00E9\U0001F600");
    EXPECT_EQ(HostUrlOf("\xEF\xBB\xBF" + utf8), L"https://exemple.fr/\u00E9t\u00E9\U0001F600");
    EXPECT_EQ(HostUrlOf("[ZoneTransfer]\nZoneId=3\nHostUrl=C:\\D\xE9p\xF4t\\\x80\x81\xC3.xls"),
              L"C:\\D\u00E9p\u00F4t\\\u20AC\u0081\u00C3.xls");
    // An overlong form is no UTF-8: E0 80 AF would be a '/'.
    EXPECT_EQ(HostUrlOf("[ZoneTransfer]\nZoneId=3\nHostUrl=a\xE0\x80\xAF"
                        "b"),
              L"a\u00E0\u20AC\u00AFb");
}

TEST(ZoneIdentifier, HostUrlIsKeptAsWrittenOrEmptyWhenMissing) {
    EXPECT_EQ(
        HostUrlOf(
            "[ZoneTransfer]\nZoneId=3\nHostUrl=https://a.example/t%C3%A9l%C3%A9charger?id=4&n=\"a%20b\""),
        L"https://a.example/t%C3%A9l%C3%A9charger?id=4&n=\"a%20b\"");
    EXPECT_EQ(HostUrlOf("[ZoneTransfer]\nZoneId=3\nReferrerUrl=https://a.example/\n"), L"");
    EXPECT_EQ(HostUrlOf("[Autre]\nHostUrl=https://a.example/\n[ZoneTransfer]\nZoneId=3\n"), L"");
}

TEST(ZoneIdentifier, EmptyOrCutShortStreamsReadSafely) {
    for (const std::string& bytes : {""s, "\xFF\xFE"s, "\xFF"s, "\xEF\xBB"s, "\0\0\0"s, "[]="s})
        EXPECT_EQ(ZoneOf(bytes), std::nullopt);
    const std::string full =
        "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://exemple.fr/\xC3\xA9\xF0\x9F\x98\x80\r\n";
    for (const std::string& sample :
         {full, Utf16LeWithBom(u"[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=\U0001F600\r\n")}) {
        for (std::size_t length = 0; length <= sample.size(); ++length) {
            const std::optional<int> zone = ZoneOf(std::string_view(sample).substr(0, length));
            EXPECT_TRUE(!zone || *zone == 3) << length;
        }
    }
}

TEST(DownloadMark, OnlyInternetAndRestrictedZonesAreDownloads) {
    for (const int zone : {-1, 0, 1, 2})
        EXPECT_FALSE(IsDownloaded(DownloadMark{zone, L""})) << zone;
    for (const int zone : {3, 4})
        EXPECT_TRUE(IsDownloaded(DownloadMark{zone, L""})) << zone;
    EXPECT_FALSE(IsDownloaded(std::nullopt));
    EXPECT_TRUE(IsDownloaded(ParseZoneIdentifier("[ZoneTransfer]\r\nZoneId=3\r\n")));
    EXPECT_FALSE(IsDownloaded(ParseZoneIdentifier("[ZoneTransfer]\r\nZoneId=2\r\n")));
}

} // namespace
} // namespace quben::testing
