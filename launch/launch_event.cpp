#include "launch/launch_event.h"

#include "platform/number_text.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quben {
namespace {

// By LaunchStep.
constexpr std::array<const wchar_t*, 9> kSteps{
    L"vérification du fichier", L"provenance du classeur",
    L"stratégie des macros",    L"recherche parmi les classeurs ouverts",
    L"démarrage d'Excel",       L"affichage d'Excel",
    L"ouverture du classeur",   L"macros d'ouverture",
    L"fin de l'ouverture"};

// ReportEvent refuses the whole event when one of its strings is longer than this.
constexpr std::size_t kMaxInsert = 31839;

// The end of `insert` that ReportEvent takes: a path's end holds the file's name. Never the second
// half of a surrogate pair alone.
const wchar_t* Tail(std::wstring_view insert) {
    if (insert.size() <= kMaxInsert)
        return insert.data();
    std::size_t start = insert.size() - kMaxInsert;
    if (insert[start] >= 0xDC00 && insert[start] <= 0xDFFF)
        ++start;
    return insert.data() + start;
}

} // namespace

EventEntry::EventEntry(const LaunchEvent& event) {
    const EndingRow& row = RowOf(event.ending);
    type = row.eventType;
    id = row.eventId;
    const PlatformError* error = event.error ? &*event.error : nullptr;
    // Whole strings, NULs included: the application's texts may hold one.
    std::array<std::wstring_view, 13> inserts{
        event.path,
        error != nullptr ? HexText(static_cast<std::uint32_t>(error->status), numbers_[0]) : L"",
        kSteps[static_cast<std::size_t>(event.step)],
        DecimalText(static_cast<std::uint64_t>(event.elapsed.count()), numbers_[1]),
        DecimalText(static_cast<std::uint64_t>(event.exitCode), numbers_[2]),
        error != nullptr ? std::wstring_view(error->source) : L"",
        error != nullptr ? std::wstring_view(error->description) : L"",
        event.boxText};
    count = static_cast<std::uint16_t>(row.inserts);
    if (row.inserts == Inserts::WithPolicy) {
        inserts[8] = event.policy;
        inserts[9] = event.policy.empty()     ? L""
                     : event.policyUnreadable ? L"illisible"
                                              : DecimalText(event.policyValue, numbers_[3]);
    } else if (row.inserts == Inserts::WithAnswer) {
        inserts[8] = DecimalText(static_cast<std::uint64_t>(event.zone), numbers_[3]);
        inserts[9] = event.zoneOrigin == ZoneOrigin::Mark ? L"marque de téléchargement" : L"emplacement";
        inserts[10] = event.host;
        inserts[11] = event.yes ? L"Oui" : L"Non";
        // Only a yes to a marked workbook removes anything.
        inserts[12] = !event.yes || event.zoneOrigin != ZoneOrigin::Mark ? L""
                      : event.markRemoved                                ? L"oui"
                                                                         : L"non";
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::wstring_view insert = inserts[i];
        // A NUL would end the insert there, the rest of it lost to the log.
        if (insert.find_first_of(std::wstring_view(L"%\0", 2)) != std::wstring_view::npos) {
            escaped_[i] = insert;
            std::replace(escaped_[i].begin(), escaped_[i].end(), L'%', L'\uFF05');
            std::replace(escaped_[i].begin(), escaped_[i].end(), L'\0', L' ');
            insert = escaped_[i];
        }
        strings[i] = Tail(insert);
    }
}

} // namespace quben
