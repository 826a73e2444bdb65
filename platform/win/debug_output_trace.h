#pragma once

namespace quben::win {

// From now on every failure the failure rule drops is one line of debug output (OutputDebugStringW),
// which a debugger or a debug-output viewer shows live: "quben: " then the place of the step
// (function:line), its status in hexadecimal and the system's text for it. Nothing goes to disk.
void TraceDroppedStepsToDebugOutput() noexcept;

} // namespace quben::win
