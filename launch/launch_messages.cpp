#include "launch/launch_messages.h"

#include "launch/launch_texts.h"
#include "launch/url_origin.h"
#include "platform/busy_retry.h"
#include "platform/independent_steps.h"

#include <algorithm>

namespace quben {
namespace {

constexpr std::int32_t kClassNotRegistered = static_cast<std::int32_t>(0x80040154); // REGDB_E_CLASSNOTREG
constexpr std::int32_t kInvalidClassString = static_cast<std::int32_t>(0x800401F3); // CO_E_CLASSSTRING

std::wstring_view Trimmed(std::wstring_view text) {
    constexpr std::wstring_view kBlanks = L" \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// "(code 0x800A03EC)"
std::wstring CodeLine(std::int32_t status) {
    return L"(code " + StatusText(status) + L")";
}

// The system's text for a status; a lookup that fails leaves the code alone to speak.
std::wstring SystemTextOf(std::int32_t status, LaunchPlatform& platform) {
    std::wstring text;
    RunStep([&] { text = Trimmed(platform.SystemText(status)); });
    return text;
}

std::wstring Message(std::wstring_view firstLine, std::wstring_view details) {
    std::wstring message(firstLine);
    return message.append(L"\n\n").append(details);
}

// An explanation, when there is one, above the code.
std::wstring Explained(std::wstring_view explanation, std::int32_t status) {
    return explanation.empty() ? CodeLine(status) : std::wstring(explanation) + L"\n" + CodeLine(status);
}

} // namespace

bool StartedButNotAnswering(std::int32_t status, FunctionRef<bool()> stillRunning) {
    constexpr auto kServerExecFailure = static_cast<std::int32_t>(0x80080005); // CO_E_SERVER_EXEC_FAILURE
    return status == busy_status::kCallRejected || status == busy_status::kRetryLater ||
           (status == kServerExecFailure && stillRunning());
}

// Where it came from, not what was fetched: download links carry long signed queries.
std::wstring ShownSource(std::wstring_view hostUrl) {
    return SchemeAndHost(Trimmed(hostUrl));
}

std::wstring DownloadedQuestion(std::wstring_view hostUrl) {
    const std::wstring source = ShownSource(hostUrl);
    std::wstring details(kDownloadedWarning);
    if (!source.empty())
        details.append(L"\n\n").append(kDownloadedSourceLabel).append(source);
    return Message(kDownloadedFirstLine, details.append(L"\n\n").append(kDownloadedQuestion));
}

std::wstring BoxText(const EndingRow& row, std::wstring_view path, const PlatformError& failure,
                     LaunchPlatform& platform) {
    std::wstring text(row.firstLine);
    auto add = [&](std::wstring_view part) {
        if (!part.empty())
            text.append(L"\n\n").append(part);
    };
    if (row.details == BoxDetails::Path || row.details == BoxDetails::PathWhyNotOpened)
        add(path);
    if (row.details == BoxDetails::WhyNotStarted) {
        const bool notInstalled =
            failure.status == kClassNotRegistered || failure.status == kInvalidClassString;
        add(Explained(notInstalled ? std::wstring(kNotInstalledDetail)
                                   : SystemTextOf(failure.status, platform),
                      failure.status));
    }
    if (row.details == BoxDetails::PathWhyNotOpened) {
        // The application's own words (in its language) say best what went wrong: a wrong password, a
        // damaged file. A NUL among them would end the box there, hiding the code and the advice.
        std::wstring description = failure.description;
        std::replace(description.begin(), description.end(), L'\0', L' ');
        std::wstring explanation(Trimmed(description));
        if (explanation.empty())
            explanation = SystemTextOf(failure.status, platform);
        add(Explained(explanation, failure.status));
    }
    add(row.advice);
    return text;
}

} // namespace quben
