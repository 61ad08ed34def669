#pragma once

namespace ravelin {

// Makes the compiled-in images (diagram bitmaps, toolbar, icons) reachable under
// ":/res/". Safe to call any number of times; needed because they live in a
// static library that the linker would otherwise leave out.
void InitResources();

} // namespace ravelin
