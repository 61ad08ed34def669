#pragma once

#include <QIcon>

namespace ravelin {

// Makes the compiled-in images (diagram bitmaps, toolbar, icons) reachable under
// ":/res/". Safe to call any number of times; needed because they live in a
// static library that the linker would otherwise leave out.
void InitResources();

// The program's icon in its two sizes (16 and 32 pixels); calls InitResources.
QIcon AppIcon();

} // namespace ravelin
