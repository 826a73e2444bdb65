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
    auto strings = entry.strings; // ReportEventW takes the array as not const
    ::ReportEventW(source.get(), entry.type, 0, entry.id, nullptr, entry.count, 0, strings.data(), nullptr);
}

} // namespace quben::win
