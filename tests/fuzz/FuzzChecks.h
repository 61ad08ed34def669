#pragma once

// The two fuzzed entry points, called by the libFuzzer targets (clang) and by the
// corpus replay (any compiler, run by CTest). Each returns an empty string when all
// is well, otherwise what went wrong; a crash or a sanitizer report fails by itself.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ravelin::fuzz {

// Reads a WAV header from the bytes; one that is accepted must be written back in
// the canonical form and read back with the same fields.
std::string CheckWavHeader(const std::uint8_t* data, std::size_t size);

// The whole file run on a file holding data[1..size): the preset is data[0] & 0x7F
// modulo the number of presets, and with bit 7 set the output replaces the input.
// It must write or refuse; a refused run leaves the input as it was and no file, a
// written one no temporary file and a header that declares the bytes after it. The files live in a
// folder of the process's own under $RAVELIN_FUZZ_TMP, else the system's temporary folder.
std::string CheckFileRun(const std::uint8_t* data, std::size_t size);

} // namespace ravelin::fuzz
