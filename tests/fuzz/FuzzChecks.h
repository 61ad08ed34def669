#pragma once

// The two fuzzed entry points. Both the libFuzzer targets (clang) and the corpus
// replay (any compiler, run by CTest) call them, so every input the fuzzers kept
// or that once crashed is checked again on every test run.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ravelin::fuzz {

// Reads a WAV header from the bytes (through fmemopen) and compares the result with
// an independent reading of the same bytes: accepted or not, the fields kept, where
// the sample data starts. Then writes the header back and reads it again.
// Returns an empty string when all agree, otherwise what disagreed.
std::string CheckWavHeader(const std::uint8_t* data, std::size_t size);

// The whole file run on a file holding data[1..size): the preset is data[0] & 0x7F
// modulo the number of presets, and with bit 7 set the output path is the input path.
// Checks the outcome against an independent reading of the input: the messages, the
// output's header and samples (each sample through a per-sample reference filter),
// an untouched input and no stray or temporary file after a refusal.
// The files live in a private folder under $RAVELIN_FUZZ_TMP, else /dev/shm when
// writable (each run syncs its output), else the system's temporary folder.
std::string CheckFileRun(const std::uint8_t* data, std::size_t size);

} // namespace ravelin::fuzz
