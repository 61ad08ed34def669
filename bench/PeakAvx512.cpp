#define RAVELIN_PEAK_FUNCTION PeakLoopAvx512
#define RAVELIN_PEAK_LANES 8
#define RAVELIN_PEAK_CONSTRAINT(v) "+v"(v)
#include "PeakRate.inc"
