// Pictures stored in the executable's resources (RCDATA: the JPEG logo, the
// PNG toolbar pictures), decoded with the Windows Imaging Component.
#pragma once

#include "gui_api.h"

namespace k5::app::win32 {

// A 32-bit top-down DIB section with premultiplied alpha, scaled to `size`
// with a high-quality filter; nullptr when the resource is missing or does
// not decode. The caller deletes it.
HBITMAP DecodeResourcePicture(int resourceId, SIZE size);

}  // namespace k5::app::win32
