#pragma once

#include "launch/launch_event.h"

namespace quben::win {

// Writes the entry to the Application log under the source "quben", whose texts are the
// executable's message table when the installer has registered it. Never fails: a log that
// cannot be written (no right, no service) is left alone.
void WriteToEventLog(const EventEntry& entry) noexcept;

} // namespace quben::win
