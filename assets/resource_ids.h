#pragma once
// Resource ids shared by the resource script and the code. Kept free of C++ so that the
// resource compiler can read it.

#define QUBEN_ICON_GROUP_ID 1
#define QUBEN_ICON_IMAGE_ID 30001
#define QUBEN_LOGO_ID 101
#define QUBEN_LOGO_MASTER_ID 102
