#pragma once

// The highest rate of separate multiply and add pairs one core reaches with the given
// vector width: independent sums held in registers, no memory traffic. The yardstick
// for how close the filter loop comes to what the hardware can do.

namespace ravelin::bench {

// Runs `iterations` rounds of 16 vector multiply-and-add pairs; returns a value that
// depends on every one of them.
double PeakLoopBaseline(long iterations);
#if defined(RAVELIN_BENCH_X86)
double PeakLoopAvx2(long iterations);
double PeakLoopAvx512(long iterations);
#endif

} // namespace ravelin::bench
