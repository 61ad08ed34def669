#define RAVELIN_PEAK_FUNCTION PeakLoopAvx2
#define RAVELIN_PEAK_LANES 4
#define RAVELIN_PEAK_CONSTRAINT(v) "+x"(v)
#include "PeakRate.inc"
