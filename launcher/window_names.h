#pragma once
// Names by which the launcher window and its controls can be found from outside the process
// (the end-to-end driver uses them too).

namespace quben {

inline constexpr wchar_t kForm3ClassName[] = L"quben.Form3";
inline constexpr wchar_t kPictureBoxClassName[] = L"quben.PictureBox";

// Control ids: Label1, then the two picture boxes, in tab order; then the status line.
inline constexpr int kLabel1Id = 100;
inline constexpr int kPicture1Id = 101;
inline constexpr int kPicture2Id = 102;
inline constexpr int kStatusId = 103;

} // namespace quben
