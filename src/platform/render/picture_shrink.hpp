#pragma once

#include <memory>

#include "platform/image/image.hpp"

namespace sonaris::platform::render {

// Shrinks a premultiplied ARGB32 picture to `target` by averaging the area each output pixel
// covers; an axis already no larger than its target is kept as it is. Cairo's own shrinking
// filter is several times slower for the large reductions a cover decoded for the widest draw
// needs at its smaller ones.
image::Bitmap shrinkPicture(const image::Bitmap& source, image::PixelSize target);

// The same, remembering the last few results on this thread: a widget redrawn from the same
// entry shrinks its cover once rather than on every paint. A result lives no longer than its
// source is held elsewhere.
std::shared_ptr<const image::Bitmap> shrunkPicture(
    const std::shared_ptr<const image::Bitmap>& source, image::PixelSize target);

}  // namespace sonaris::platform::render
