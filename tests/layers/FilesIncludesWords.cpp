// Must not build: the files layer sees no layer above it.
#include "words/Words.h"
