// The French typography of the texts the program shows, wherever they are written.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace quben::testing {
namespace {

// Every text of ours the user reads, as written: the string literals of the launch's and the
// window's texts and of the resources, the installer's attributes, the lines of LISEZMOI (not the
// indented commands and program output) and of the event messages (not the comments). A no-break
// space (U+00A0, U+202F) before ":", ";", "?", "!" and "»", and after "«"; a ":" or ";" inside a word
// is no punctuation (a drive, an address). Apart: the dialog's title, the design's character for
// character, and the workbooks' password, which nobody reads.
TEST(FrenchTypography, ANoBreakSpaceBeforeTheHighPunctuationOfEveryTextOfOurs) {
    const char* literal = R"re(L?"((?:[^"\\]|\\.)*)")re";
    const std::pair<const char*, const char*> sources[] = {
        {"launch/launch_texts.h", literal},           {"launcher/design.h", literal},
        {"launch/launch_event.cpp", literal},         {"assets/resources.rc", literal},
        {"packaging/quben.wxs", R"re(="([^"]*)")re"}, {"packaging/LISEZMOI.txt", "^(\\S.*)"},
        {"assets/events.mc", "^([^;\\n].*)"}};
    const std::regex noBreak(R"re(\\u00A0|\\u202F|&#xA0;|&#160;|&#x202F;|&#8239;)re", std::regex::icase);
    // In UTF-8, U+00A0 and U+202F end in A0 and AF.
    const std::regex wrong("(^|[^\xA0\xAF])([:;](?![\\w\\\\/])|[?!]|»)|«(?!\xC2\xA0|\xE2\x80\xAF)");
    int texts = 0;
    for (const auto& [file, pattern] : sources) {
        std::ifstream stream(std::string(QUBEN_SOURCE_DIR) + "/" + file, std::ios::binary);
        const std::string source =
            std::regex_replace(std::string(std::istreambuf_iterator<char>(stream), {}), noBreak, "\xC2\xA0");
        const std::regex text(pattern, std::regex::multiline);
        for (std::sregex_iterator it(source.begin(), source.end(), text), end; it != end; ++it, ++texts) {
            std::string found = std::regex_replace((*it)[1].str(), std::regex("&quot;"), "\"");
            for (const std::string apart :
                 {"Calcul d'incertitude : ouvrir un fichier QUBen ...", "vepal_kordinut!?"})
                if (const auto at = found.find(apart); at != std::string::npos)
                    found.erase(at, apart.size());
            EXPECT_FALSE(std::regex_search(found, wrong)) << file << ": " << found;
        }
    }
    EXPECT_GT(texts, 100) << "every text was looked at";
}

} // namespace
} // namespace quben::testing
