// The saver's title picture (resources/title.bmp, built into the program) as
// a figure surface.
#pragma once

#include "figure/surface.h"

namespace vidider {

figure::Surface LoadTitlePicture();

}  // namespace vidider
