#include "launch/win/event_log_journal.h"

#include "platform/win/unique_handle.h"

#include <windows.h>

namespace quben::win {
namespace {

using UniqueEventSource = UniqueHandle<HandleTraits<HANDLE, ::DeregisterEventSource>>;

} // namespace

void WriteToEventLog(const EventEntry& entry) noexcept {
    const UniqueEventSource source(::RegisterEventSourceW(nullptr, L"quben"));
    if (!source)
        return;
    const wchar_t* strings[std::tuple_size_v<decltype(entry.strings)>];
    for (std::size_t i = 0; i < entry.strings.size(); ++i)
        strings[i] = entry.strings[i].c_str();
    ::ReportEventW(source.get(), entry.type, 0, entry.id, nullptr, entry.count, 0, strings, nullptr);
}

} // namespace quben::win
