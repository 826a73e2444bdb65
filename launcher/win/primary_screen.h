#pragma once

#include "launcher/form3.h"

namespace quben::win {

// The whole primary screen (task bar included), measured in twips.
class PrimaryScreen final : public Screen {
public:
    explicit PrimaryScreen(float twipsPerPixel) : twipsPerPixel_(twipsPerPixel) {}
    Twips Width() override;
    Twips Height() override;

private:
    float twipsPerPixel_;
};

} // namespace quben::win
