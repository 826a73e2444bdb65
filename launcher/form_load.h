#pragma once

#include <string_view>

namespace quben {

class Form3;
class StartupArguments;

// The window covers its screen with the logos one tenth in from the upper right and the lower left
// corners; at start-up and again whenever the display changes.
void LayOut(Form3& form3) noexcept;

// The window's load handler: opens the workbook named by the first argument when there is one,
// and otherwise asks for it.
void FormLoad(Form3& form3, StartupArguments& arguments) noexcept;

// Without arguments: lays the window out over the screen, shows it, asks for a workbook and hands
// the chosen path on, or closes the launcher.
void FormLoad(Form3& form3) noexcept;

// With a workbook named on the command line: the same window, no dialog; the name, made full,
// goes to the launch. A name with wildcards or characters no file's name holds names no single
// workbook, and one Windows would read as another's is not the one checked: both are reported absent.
void FormLoadNamed(Form3& form3, std::wstring_view name, StartupArguments& arguments) noexcept;

} // namespace quben
