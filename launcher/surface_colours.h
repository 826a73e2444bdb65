#pragma once
// The colours the window and its picture boxes are filled with. The design's fixed white form
// would glare around a dark high-contrast scheme, which asks programs for the system's colours.

#include "launcher/design.h"

namespace quben {

struct SurfaceColours {
    design::ColourRef form;
    design::ColourRef pictures;
    design::ColourRef text; // the status line's
    bool operator==(const SurfaceColours&) const = default;
};

// Off: the design's white form and boxes in the scheme's Window colour, black text on the white.
// On: the scheme's Window colour for both, its WindowText for the text; the logos are drawn either
// way.
constexpr SurfaceColours ChooseSurfaceColours(bool highContrast) {
    return highContrast
               ? SurfaceColours{design::kSystemWindow, design::kSystemWindow, design::kSystemWindowText}
               : SurfaceColours{design::kFormBackColour, design::kPictureBackColour, design::kBlack};
}

} // namespace quben
