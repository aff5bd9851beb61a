#pragma once

#include "imaging/Image.h"

namespace glyphon {

// The "droppable-glyphon" picture the drop zone shows before an image is dropped: 1024 px, transparent
// around the art. Drawn once and then shared, so every look-up hands out the same picture.
Image placeholderImage();

} // namespace glyphon
