#pragma once

namespace quben::win {

// Keeps every DLL loaded by name to System32: the launcher often runs from a Downloads or network
// folder, and after the dialog the current folder is the user's; neither may supply a DLL.
void RestrictDllSearchToSystem32() noexcept;

} // namespace quben::win
