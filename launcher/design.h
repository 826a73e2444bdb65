#pragma once
// Design-time values of the launcher window and its controls, and the constants of the
// open-file dialog. Sizes are in twips.

#include "platform/twips.h"

#include <cstdint>
#include <string_view>

namespace quben::design {

// Colours as 0x00BBGGRR; values with the top bit set name a system colour (low byte = index).
using ColourRef = std::uint32_t;
inline constexpr ColourRef kWhite = 0x00FFFFFF;
inline constexpr ColourRef kBlack = 0x00000000;
inline constexpr ColourRef kRed = 0x000000FF;
inline constexpr ColourRef kLightCyan = 0x00FFFFC0;
inline constexpr ColourRef kSystemWindow = 0x80000005;
inline constexpr ColourRef kSystemWindowText = 0x80000008;

// Form3
inline constexpr std::wstring_view kFormCaption = L"complet";
inline constexpr ColourRef kFormBackColour = kWhite;
inline constexpr ColourRef kFormForeColour = kRed;
inline constexpr Twips kFormClientWidth = 10755;
inline constexpr Twips kFormClientHeight = 8190;
// What assistive technology reads for the window, whose title stays the design's; and what it
// announces while the spreadsheet application is being started.
inline constexpr std::wstring_view kFormAccessibleName = L"Calcul d'incertitude QUBen";
inline constexpr std::wstring_view kFormWorkingDescription = L"Ouverture du classeur dans Excel…";

// Picture1 and Picture2: same size, the logo drawn unscaled at their top-left corner.
inline constexpr Twips kPictureWidth = 6375;
inline constexpr Twips kPictureHeight = 2535;
inline constexpr Twips kPicture1Left = 2880;
inline constexpr Twips kPicture1Top = 480;
inline constexpr Twips kPicture2Left = 2760;
inline constexpr Twips kPicture2Top = 3240;
inline constexpr ColourRef kPictureBackColour = kSystemWindow;
inline constexpr ColourRef kPictureForeColour = kSystemWindowText;
inline constexpr std::wstring_view kPictureAccessibleName = L"Logo quben";

// Label1: carries the chosen path; hidden at run time.
inline constexpr Twips kLabel1Left = 360;
inline constexpr Twips kLabel1Top = 3240;
inline constexpr Twips kLabel1Width = 135;
inline constexpr Twips kLabel1Height = 360;
inline constexpr std::wstring_view kLabel1FontName = L"MS Sans Serif";
inline constexpr float kLabel1FontPoints = 13.5f;
inline constexpr int kLabel1FontWeight = 700;
inline constexpr ColourRef kLabel1BackColour = kLightCyan;
inline constexpr ColourRef kLabel1ForeColour = kRed;

// CommonDialog1, the open-file dialog.
inline constexpr std::wstring_view kDialogTitle = L"Calcul d'incertitude : ouvrir un fichier QUBen ...";
inline constexpr std::uint32_t kDialogFlags = 4112; // file must exist (0x1000) + Help button (0x10)
inline constexpr std::wstring_view kDialogFilter = L"Fichiers Excel (*.xls)|*.xls";
// What the dialog's Help button shows, in a box with an OK button and the information icon.
inline constexpr std::wstring_view kDialogHelpText =
    L"Choisissez le classeur de calcul d'incertitude (fichier .xls), puis cliquez sur Ouvrir. "
    L"Excel démarre avec le classeur et ce lanceur se ferme.";
inline constexpr std::uint32_t kDialogHelpBoxStyle = 0x40; // OK, information icon
// Room for the longest path the platform can return, so that a deep folder is never refused.
inline constexpr std::size_t kDialogMaxFileSize = 32767;

} // namespace quben::design
