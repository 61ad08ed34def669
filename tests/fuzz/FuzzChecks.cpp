#include "FuzzChecks.h"

#include "files/FileRun.h"
#include "files/WavHeader.h"
#include "TestSupport.h"

#include <cstdio>

namespace ravelin::fuzz {

namespace {

// ReadWavHeader on the bytes; on success the header must sit where the stream stopped.
bool ReadHeader(test::Bytes bytes, CWavHeader& header, long end)
{
    bytes.reserve(bytes.size() + 1); // fmemopen wants a buffer even for no bytes
    std::FILE* f = ::fmemopen(bytes.data(), bytes.size(), "rb");
    const bool read = header.ReadWavHeader(f) == 0 && (end < 0 || std::ftell(f) == end);
    std::fclose(f);
    return read;
}

} // namespace

std::string CheckWavHeader(const std::uint8_t* data, std::size_t size)
{
    CWavHeader header, again;
    if (!ReadHeader({data, data + size}, header, -1))
        return {};
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = ::open_memstream(&buffer, &length);
    const bool wrote = header.WriteWavHeader(out);
    std::fclose(out);
    const test::Bytes written(buffer, buffer + length);
    std::free(buffer);
    if (!wrote || !ReadHeader(written, again, 44) || !std::equal(written.begin(), written.end(),
                                                                  again.Bytes().begin(), again.Bytes().end()) ||
        !std::equal(&header.Bytes()[20], &header.Bytes()[36], &again.Bytes()[20]) ||
        again.DataSize() != header.DataSize() || again.RiffSize() != 36u + header.DataSize())
        return "the header written back does not read back the same";
    return {};
}

std::string CheckFileRun(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return {};
    static const char* base = std::getenv("RAVELIN_FUZZ_TMP");
    static const test::TempDir dir(base && *base ? base : test::fs::temp_directory_path());
    test::ScriptedPrompts prompts;
    prompts.openPath = dir / "in.wav";
    prompts.savePath = data[0] & 0x80 ? *prompts.openPath : dir / "out.wav";
    const test::Bytes input(data + 1, data + size);
    test::WriteFile(*prompts.openPath, input);
    CRavelinDoc doc;
    doc.m_nFilterPreset = (data[0] & 0x7F) % FILTER_COUNT;
    const RunResult result = RunFileFilter(doc, prompts);

    const test::Bytes output = test::ReadBytes(*prompts.savePath);
    CWavHeader in, out;
    std::string failure;
    if (result == RunResult::Done) {
        if (!ReadHeader(input, in, -1) || !ReadHeader(output, out, 44) ||
            out.DataSize() != output.size() - 44 ||
            !std::equal(&in.Bytes()[20], &in.Bytes()[36], &out.Bytes()[20]))
            failure = "the output is no WAV file of the input's format and its own size";
    } else if (result != RunResult::Refused) {
        failure = "neither written nor refused";
    } else if (prompts.openPath == prompts.savePath ? output != input : test::fs::exists(*prompts.savePath)) {
        failure = "a refused run left a file or changed its input";
    }
    const auto names = dir.List();
    if (names.size() != (result == RunResult::Done && prompts.openPath != prompts.savePath ? 2u : 1u))
        failure = "a stray file is left";
    for (const auto& name : names)
        std::remove((dir / name).c_str());
    return failure.empty() ? failure : failure + " (preset " + std::to_string(doc.m_nFilterPreset) + ")";
}

} // namespace ravelin::fuzz
