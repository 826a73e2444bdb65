#include "launch/launch_event.h"

#include <array>
#include <string_view>

namespace quben {
namespace {

struct Kind {
    std::uint16_t type;
    std::uint32_t id; // assets/events.mc
};

// By LaunchEnding: errors from 101, warnings from 201, notices from 301.
constexpr std::array<Kind, 10> kKinds{{{kEventError, 101},
                                       {kEventError, 102},
                                       {kEventError, 103},
                                       {kEventError, 104},
                                       {kEventError, 105},
                                       {kEventWarning, 201},
                                       {kEventWarning, 202},
                                       {kEventInformation, 301},
                                       {kEventInformation, 302},
                                       {kEventInformation, 303}}};

// By LaunchStep.
constexpr std::array<std::wstring_view, 8> kSteps{
    L"vérification du fichier", L"provenance du classeur", L"recherche parmi les classeurs ouverts",
    L"démarrage d'Excel",       L"affichage d'Excel",      L"ouverture du classeur",
    L"macros d'ouverture",      L"fin de l'ouverture"};

} // namespace

EventEntry EntryOf(const LaunchEvent& event) {
    const Kind kind = kKinds[static_cast<std::size_t>(event.ending)];
    const PlatformError none{0};
    const PlatformError& error = event.error ? *event.error : none;
    EventEntry entry{kind.type, kind.id, {}, 8};
    auto& strings = entry.strings;
    strings[0] = event.path;
    if (event.error)
        strings[1] = StatusText(error.status);
    strings[2] = kSteps[static_cast<std::size_t>(event.step)];
    strings[3] = DecimalText(static_cast<std::uint64_t>(event.elapsed.count()));
    strings[4] = DecimalText(static_cast<std::uint64_t>(event.exitCode));
    strings[5] = error.source;
    strings[6] = error.description;
    strings[7] = event.boxText;
    if (event.ending != LaunchEnding::Answered)
        return entry;
    entry.count = 13;
    strings[8] = DecimalText(static_cast<std::uint64_t>(event.zone));
    strings[9] = event.zoneOrigin == ZoneOrigin::Mark ? L"marque de téléchargement" : L"emplacement";
    strings[10] = event.host;
    strings[11] = event.yes ? L"Oui" : L"Non";
    strings[12] = !event.yes ? L"" : event.markRemoved ? L"oui" : L"non";
    return entry;
}

} // namespace quben
