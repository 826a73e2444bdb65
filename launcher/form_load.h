#pragma once

namespace quben {

class Form3;

// The window's load handler: lays the window out over the screen, shows it, asks for a workbook
// and hands the chosen path on, or closes the launcher.
void FormLoad(Form3& form3) noexcept;

} // namespace quben
