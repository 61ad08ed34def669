// Kernels for any processor the program is built for (SSE2 on x86-64).
#define RAVELIN_FIR_SET kBaselineKernels
#define RAVELIN_FIR_NAME "baseline"
#define RAVELIN_FIR_LANES 2
#define RAVELIN_FIR_ROW_TILE 6
#define RAVELIN_FIR_MAX_RUN 3
#define RAVELIN_FIR_LINEAR_TILE 4
#include "engine/FirKernels.inc"
