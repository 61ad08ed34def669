#include "FuzzChecks.h"

#include "files/FileRun.h"
#include "files/WavHeader.h"
#include "TestSupport.h"

#include <cstdio>
#include <cstdlib>

namespace ravelin::fuzz {

namespace {

using test::Bytes;

// ReadWavHeader on the bytes (-1 when they cannot be opened as a stream), and where
// the stream stands after it.
int ReadHeader(Bytes bytes, CWavHeader& header, long* position = nullptr)
{
    bytes.reserve(bytes.size() + 1); // fmemopen wants a buffer even for no bytes
    std::FILE* f = ::fmemopen(bytes.data(), bytes.size(), "rb");
    if (!f)
        return -1;
    const int result = header.ReadWavHeader(f);
    if (position)
        *position = std::ftell(f);
    std::fclose(f);
    return result;
}

} // namespace

std::string CheckWavHeader(const std::uint8_t* data, std::size_t size)
{
    CWavHeader header;
    const int result = ReadHeader({data, data + size}, header);
    if (result != 0)
        return result == 1 ? "" : "ReadWavHeader returned " + std::to_string(result);
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = ::open_memstream(&buffer, &length);
    const bool wrote = out && header.WriteWavHeader(out);
    if (out)
        std::fclose(out);
    const Bytes written(buffer, buffer + length);
    std::free(buffer);
    CWavHeader again;
    long position = 0;
    if (!wrote || ReadHeader(written, again, &position) != 0 || position != 44 ||
        !std::equal(written.begin(), written.end(), again.Bytes().begin(), again.Bytes().end()) ||
        !std::equal(&header.Bytes()[20], &header.Bytes()[36], &written[20]) ||
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
    const bool inPlace = data[0] & 0x80;
    const std::string in = dir / "in.wav", out = inPlace ? in : dir / "out.wav";
    const Bytes input(data + 1, data + size);
    test::WriteFile(in, input);
    CRavelinDoc doc;
    doc.m_nFilterPreset = (data[0] & 0x7F) % FILTER_COUNT;
    test::ScriptedPrompts prompts;
    prompts.openPath = in;
    prompts.savePath = out;
    const RunResult result = RunFileFilter(doc, prompts);

    const Bytes output = test::ReadBytes(out);
    CWavHeader inHeader, outHeader;
    long position = 0;
    std::string failure;
    if (result == RunResult::Done) {
        ReadHeader(input, inHeader);
        if (ReadHeader(output, outHeader, &position) != 0 || position != 44 ||
            outHeader.DataSize() != output.size() - 44 ||
            !std::equal(&outHeader.Bytes()[20], &outHeader.Bytes()[36], &inHeader.Bytes()[20]))
            failure = "the output does not read back as a WAV file of the input's format";
    } else if (result != RunResult::Refused) {
        failure = "neither written nor refused";
    } else if (inPlace ? output != input : test::fs::exists(out)) {
        failure = "a refused run left a file or changed its input";
    }
    const auto names = dir.List();
    if (names.size() != (result == RunResult::Done && !inPlace ? 2u : 1u))
        failure = "a stray file is left";
    for (const auto& name : names)
        std::remove((dir / name).c_str());
    return failure.empty() ? failure
                           : failure + " (preset " + std::to_string(doc.m_nFilterPreset) + ")";
}

} // namespace ravelin::fuzz
