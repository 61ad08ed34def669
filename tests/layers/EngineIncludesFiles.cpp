// Must not build: the engine sees no layer above it.
#include "files/WavHeader.h"
