#define RAVELIN_PEAK_FUNCTION PeakLoopBaseline
#define RAVELIN_PEAK_LANES 2
#define RAVELIN_PEAK_CONSTRAINT(v) "+x"(v)
#include "PeakRate.inc"
