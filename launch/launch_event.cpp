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

} // namespace

EventEntry::EventEntry(const LaunchEvent& event) {
    const EndingRow& row = RowOf(event.ending);
    type = row.eventType;
    id = row.eventId;
    const PlatformError* error = event.error ? &*event.error : nullptr;
    strings = {event.path.c_str(),
               error != nullptr ? HexText(static_cast<std::uint32_t>(error->status), numbers_[0]) : L"",
               kSteps[static_cast<std::size_t>(event.step)],
               DecimalText(static_cast<std::uint64_t>(event.elapsed.count()), numbers_[1]),
               DecimalText(static_cast<std::uint64_t>(event.exitCode), numbers_[2]),
               error != nullptr ? error->source.c_str() : L"",
               error != nullptr ? error->description.c_str() : L"",
               event.boxText.c_str()};
    count = row.inserts;
    if (count == kPolicyInserts) {
        strings[8] = event.policy.c_str();
        strings[9] = event.policy.empty()     ? L""
                     : event.policyUnreadable ? L"illisible"
                                              : DecimalText(event.policyValue, numbers_[3]);
    } else if (count == kAnswerInserts) {
        strings[8] = DecimalText(static_cast<std::uint64_t>(event.zone), numbers_[3]);
        strings[9] = event.zoneOrigin == ZoneOrigin::Mark ? L"marque de téléchargement" : L"emplacement";
        strings[10] = event.host.c_str();
        strings[11] = event.yes ? L"Oui" : L"Non";
        // Only a yes to a marked workbook removes anything.
        strings[12] = !event.yes || event.zoneOrigin != ZoneOrigin::Mark ? L""
                      : event.markRemoved                                ? L"oui"
                                                                         : L"non";
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::wstring_view insert(strings[i]);
        if (insert.find(L'%') == std::wstring_view::npos)
            continue;
        escaped_[i] = insert;
        std::replace(escaped_[i].begin(), escaped_[i].end(), L'%', L'\uFF05');
        strings[i] = escaped_[i].c_str();
    }
}

} // namespace quben
