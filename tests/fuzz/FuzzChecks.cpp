#include "FuzzChecks.h"

#include "files/FileRun.h"
#include "support/TestSupport.h"
#include "words/FileCommands.h"

#include <cstdio>

namespace ravelin::fuzz {

using test::Bytes;

std::string CheckWavHeader(const std::uint8_t* data, std::size_t size)
{
    WavHeader header, again;
    if (test::ReadHeader({data, data + size}, header) < 0)
        return {};
    // Written back: the canonical 44 bytes, which read back with the fields that were read.
    const Bytes written = test::WriteHeader(header);
    if (test::ReadHeader(written, again) != 44 ||
        !std::equal(written.begin(), written.end(), again.Bytes().begin(), again.Bytes().end()) ||
        !std::equal(&header.Bytes()[20], &header.Bytes()[36], &again.Bytes()[20]) ||
        again.DataSize() != header.DataSize() ||
        again.RiffSize() != 36u + header.DataSize() + (header.DataSize() & 1u))
        return "the header written back does not read back the same";
    return {};
}

std::string CheckFileRun(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return {};
    static const char* base = std::getenv("RAVELIN_FUZZ_TMP");
    static const test::TempDir dir(base && *base ? base : test::fs::temp_directory_path());
    const std::string in = dir / "in.wav", out = data[0] & 0x80 ? in : dir / "out.wav";
    const Bytes input(data + 1, data + size);
    test::WriteFile(in, input);
    CRavelinDoc doc;
    doc.m_nFilterPreset = (data[0] & 0x7F) % kFilterCount;
    test::ScriptedPrompts prompts;
    prompts.openPath = in;
    prompts.savePath = out;
    const RunResult result = RunFileFilter(doc, prompts);
    const bool done = result == RunResult::Done;

    // Refused: the input as it was, alone; written: no temporary file beside the output.
    std::string failure = done || result == RunResult::Refused ? "" : "neither written nor refused";
    if (!done && test::ReadBytes(in) != input)
        failure = "a refused run changed its input";
    // Written: the header declares exactly the sample bytes that follow it, and the
    // RIFF size counts them with the pad byte of an odd size.
    if (done) {
        const Bytes written = test::ReadBytes(out);
        WavHeader header;
        if (test::ReadHeader(written, header) != 44 ||
            header.DataSize() + (header.DataSize() & 1u) != written.size() - 44 ||
            header.RiffSize() != written.size() - 8)
            failure = "the output's header does not declare what follows it";
    }
    const auto names = dir.List();
    if (names.size() != (done && out != in ? 2u : 1u))
        failure = "the folder holds " + std::to_string(names.size()) + " files";
    for (const auto& name : names)
        std::remove((dir / name).c_str());
    return failure.empty() ? "" : failure + " (preset " + std::to_string(doc.m_nFilterPreset) + ")";
}

} // namespace ravelin::fuzz
