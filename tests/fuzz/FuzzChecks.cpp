#include "FuzzChecks.h"

#include "engine/RavelinDoc.h"
#include "files/FileRun.h"
#include "files/UserPrompts.h"
#include "files/WavHeader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ravelin::fuzz {

namespace {

std::uint32_t Le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int16_t Le16s(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | p[1] << 8));
}

// The header as the chunk rules describe it, read by offsets in memory instead of
// through a stream, so that the reader under test has something to disagree with.
struct Reference {
    bool accepted = false;
    std::array<std::uint8_t, 4> riffSize{};
    std::array<std::uint8_t, 16> fmt{};
    std::uint32_t dataSize = 0;
    std::size_t dataOffset = 0;

    std::int16_t FormatTag() const { return Le16s(&fmt[0]); }
    std::int16_t Channels() const { return Le16s(&fmt[2]); }
    std::int32_t SampleRate() const { return static_cast<std::int32_t>(Le32(&fmt[4])); }
    std::int16_t BlockAlign() const { return Le16s(&fmt[12]); }
    std::int16_t Bits() const { return Le16s(&fmt[14]); }
};

Reference ReadReference(const std::uint8_t* d, std::size_t n)
{
    Reference r;
    if (n < 12 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "WAVE", 4) != 0)
        return r;
    std::memcpy(r.riffSize.data(), d + 4, 4);
    std::size_t pos = 12;
    bool haveFmt = false;
    for (;;) {
        if (n - pos < 8)
            return r;
        const std::uint8_t* tag = d + pos;
        const std::uint32_t size = Le32(d + pos + 4);
        pos += 8;
        if (std::memcmp(tag, "data", 4) == 0) {
            if (!haveFmt)
                return r;
            r.accepted = true;
            r.dataSize = size;
            r.dataOffset = pos;
            return r;
        }
        if (std::memcmp(tag, "fmt ", 4) == 0 && !haveFmt) {
            if (size < 16 || n - pos < 16)
                return r;
            std::memcpy(r.fmt.data(), d + pos, 16);
            haveFmt = true;
        }
        // A chunk of odd size is followed by one pad byte.
        const std::uint64_t body = std::uint64_t{size} + (size & 1u);
        if (body > n - pos)
            return r;
        pos += static_cast<std::size_t>(body);
    }
}

std::string Hex(const std::uint8_t* p, std::size_t n)
{
    std::string s;
    char b[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02x", p[i]);
        s += b;
    }
    return s;
}

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

class RecordingPrompts : public IUserPrompts {
public:
    RecordingPrompts(std::string in, std::string out) : m_in(std::move(in)), m_out(std::move(out)) {}
    std::optional<std::string> AskOpenPath(const std::string&, const std::string&) override
    {
        return m_in;
    }
    std::optional<std::string> AskSavePath(const std::string&, const std::string&) override
    {
        return m_out;
    }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        messages.push_back({text, caption, icon});
    }
    std::vector<Message> messages;

private:
    std::string m_in;
    std::string m_out;
};

bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
    return (std::fclose(f) == 0) && ok;
}

std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
    return bytes;
}

std::vector<std::string> ListFolder(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Where the file run's inputs and outputs go: created once per process, removed at exit.
std::string g_workDir;

void RemoveWorkDir()
{
    for (const auto& name : ListFolder(g_workDir))
        ::unlink((g_workDir + "/" + name).c_str());
    ::rmdir(g_workDir.c_str());
}

const std::string& WorkDir()
{
    if (!g_workDir.empty())
        return g_workDir;
    std::string base;
    if (const char* env = std::getenv("RAVELIN_FUZZ_TMP"); env && *env)
        base = env;
    else if (::access("/dev/shm", W_OK | X_OK) == 0)
        base = "/dev/shm";
    else if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        base = tmp;
    else
        base = "/tmp";
    std::string pattern = base + "/ravelin-fuzz.XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::fprintf(stderr, "fuzz: cannot make a folder under %s\n", base.c_str());
        std::abort();
    }
    g_workDir = pattern;
    std::atexit(RemoveWorkDir);
    return g_workDir;
}

std::string InformationText(const std::string& path, const Reference& r)
{
    const auto count = r.dataSize / static_cast<std::uint16_t>(r.BlockAlign());
    std::string t = "ファイル名: " + path + "\n";
    t += "フォーマットID: " + std::to_string(r.FormatTag()) + "\n";
    if (r.FormatTag() == 1)
        t += "リニアPCM形式\n";
    t += "チャネル数: " + std::to_string(r.Channels()) + "\n";
    t += "サンプリング周波数: " + std::to_string(r.SampleRate()) + "\n";
    t += "量子化ビット数: " + std::to_string(r.Bits()) + "\n";
    t += "サンプル数: " + std::to_string(count) + "\n";
    return t;
}

std::int32_t Clamp(double y, std::int32_t lo, std::int32_t hi)
{
    const double t = std::trunc(y);
    return t < lo ? lo : t > hi ? hi : static_cast<std::int32_t>(t);
}

// The expected output file of an accepted run: the canonical header and every sample
// through the per-sample filter, in file order.
std::vector<std::uint8_t> ExpectedOutput(const std::uint8_t* d, std::size_t n, const Reference& r,
                                         int preset)
{
    const std::size_t bps = static_cast<std::size_t>(r.Bits() / 8);
    std::uint64_t bytes = std::min<std::uint64_t>(r.dataSize, n - r.dataOffset);
    bytes -= bytes % bps;
    const auto size = static_cast<std::uint32_t>(bytes);

    std::vector<std::uint8_t> out(44 + bytes);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    std::memcpy(&out[0], "RIFF", 4);
    put32(4, 36 + size);
    std::memcpy(&out[8], "WAVEfmt ", 8);
    put32(16, 16);
    std::memcpy(&out[20], r.fmt.data(), 16);
    std::memcpy(&out[36], "data", 4);
    put32(40, size);

    CRavelinDoc doc;
    doc.m_nFilterPreset = preset;
    doc.LoadFilePreset();
    const std::uint8_t* in = d + r.dataOffset;
    std::uint8_t* o = out.data() + 44;
    if (bps == 2) {
        for (std::size_t i = 0; i < bytes; i += 2) {
            const double y = doc.m_filter.Process(Le16s(in + i));
            const auto v = static_cast<std::uint16_t>(Clamp(y, -32768, 32767));
            o[i] = static_cast<std::uint8_t>(v & 0xFF);
            o[i + 1] = static_cast<std::uint8_t>(v >> 8);
        }
    } else {
        for (std::size_t i = 0; i < bytes; ++i) {
            const double y = doc.m_filter.Process(static_cast<double>(in[i]) - 128.0);
            o[i] = static_cast<std::uint8_t>(Clamp(y, -128, 127) + 128);
        }
    }
    return out;
}

std::string Describe(const std::vector<Message>& messages)
{
    std::string s = std::to_string(messages.size()) + " message(s):";
    for (const auto& m : messages)
        s += " [" + m.text + "|" + m.caption + "|" + std::to_string(static_cast<int>(m.icon)) + "]";
    return s;
}

} // namespace

std::string CheckWavHeader(const std::uint8_t* data, std::size_t size)
{
    // fmemopen wants a writable buffer even for reading; a copy also keeps the
    // fuzzer's bytes out of reach of the stream.
    std::vector<std::uint8_t> copy(data, data + size);
    std::FILE* f = ::fmemopen(copy.empty() ? nullptr : copy.data(), size, "rb");
    if (!f && size == 0) {
        static char none[1];
        f = ::fmemopen(none, 0, "rb");
    }
    if (!f)
        return "fmemopen failed";
    CWavHeader header;
    const int result = header.ReadWavHeader(f);
    const long position = std::ftell(f);
    std::fclose(f);

    const Reference ref = ReadReference(data, size);
    if (result != 0 && result != 1)
        return "ReadWavHeader returned " + std::to_string(result);
    if ((result == 0) != ref.accepted)
        return std::string("ReadWavHeader ") + (result == 0 ? "accepted" : "rejected") +
               " what the chunk rules " + (ref.accepted ? "accept" : "reject");
    if (!ref.accepted)
        return {};

    const auto& b = header.Bytes();
    if (std::memcmp(&b[4], ref.riffSize.data(), 4) != 0)
        return "RIFF size " + Hex(&b[4], 4) + ", expected " + Hex(ref.riffSize.data(), 4);
    if (std::memcmp(&b[20], ref.fmt.data(), 16) != 0)
        return "fmt fields " + Hex(&b[20], 16) + ", expected " + Hex(ref.fmt.data(), 16);
    if (header.DataSize() != ref.dataSize)
        return "data size " + std::to_string(header.DataSize()) + ", expected " +
               std::to_string(ref.dataSize);
    if (position < 0 || static_cast<std::size_t>(position) != ref.dataOffset)
        return "stream at " + std::to_string(position) + " after the header, expected " +
               std::to_string(ref.dataOffset);

    // What is written reads back as the same fields, in the canonical layout.
    // (open_memstream, not fmemopen: a full fmemopen buffer gets its last byte
    // overwritten by the terminator glibc adds when it is closed.)
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* w = ::open_memstream(&buffer, &length);
    if (!w)
        return "open_memstream failed";
    const bool wrote = header.WriteWavHeader(w);
    std::fclose(w);
    std::array<std::uint8_t, CWavHeader::kSize> written{};
    const bool whole = length == written.size();
    if (whole)
        std::memcpy(written.data(), buffer, written.size());
    std::free(buffer);
    if (!wrote || !whole)
        return "WriteWavHeader wrote " + std::to_string(length) + " bytes";
    if (std::memcmp(written.data(), "RIFF", 4) != 0 || Le32(&written[4]) != 36u + ref.dataSize ||
        std::memcmp(&written[8], "WAVEfmt ", 8) != 0 || Le32(&written[16]) != 16 ||
        std::memcmp(&written[20], ref.fmt.data(), 16) != 0 ||
        std::memcmp(&written[36], "data", 4) != 0 || Le32(&written[40]) != ref.dataSize)
        return "written header " + Hex(written.data(), written.size());
    std::FILE* again = ::fmemopen(written.data(), written.size(), "rb");
    CWavHeader reread;
    const int second = reread.ReadWavHeader(again);
    const long end = std::ftell(again);
    std::fclose(again);
    if (second != 0 || end != 44 || reread.Bytes() != written)
        return "the written header does not read back";
    return {};
}

std::string CheckFileRun(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return {};
    const int preset = (data[0] & 0x7F) % FILTER_COUNT;
    const bool inPlace = (data[0] & 0x80) != 0;
    const std::uint8_t* bytes = data + 1;
    const std::size_t n = size - 1;

    const std::string& dir = WorkDir();
    const std::string in = dir + "/in.wav";
    const std::string out = inPlace ? in : dir + "/out.wav";
    if (!WriteFile(in, bytes, n))
        return "cannot write the input file in " + dir;

    CRavelinDoc doc;
    doc.m_nFilterPreset = preset;
    doc.m_nInputPreset = INPUT_FILE;
    RecordingPrompts prompts(in, out);
    const RunResult result = RunFileFilter(doc, prompts);

    std::string failure;
    auto fail = [&](const std::string& what) {
        if (failure.empty())
            failure = what + " (preset " + std::to_string(preset) +
                      (inPlace ? ", in place) " : ") ") + Describe(prompts.messages);
    };
    if (doc.m_nRunMode != 0)
        fail("run mode " + std::to_string(doc.m_nRunMode) + " after the run");

    const Reference ref = ReadReference(bytes, n);
    const std::string wrongFormat = "error .... found wrong WAVE format in the file [" + in + "]\n";
    const std::int16_t bits = ref.Bits();
    std::optional<std::string> refusal;
    if (!ref.accepted || ref.BlockAlign() == 0)
        refusal = wrongFormat;
    else if (ref.Channels() != 1)
        refusal = InformationText(in, ref) + "モノラルでないため扱えません";
    else if (bits != 8 && bits != 16)
        refusal = InformationText(in, ref) + "サンプルビット数が8あるいは16でないため扱えません";
    else if (ref.BlockAlign() != bits / 8)
        refusal = wrongFormat;

    const auto after = ReadFile(out);
    if (refusal) {
        if (result != RunResult::Refused)
            fail("expected a refusal, got result " + std::to_string(static_cast<int>(result)));
        if (prompts.messages.size() != 1 || prompts.messages[0].text != *refusal ||
            prompts.messages[0].icon != MessageIcon::Error || !prompts.messages[0].caption.empty())
            fail("expected the one error message [" + *refusal + "]");
        if (inPlace) {
            if (!after || *after != std::vector<std::uint8_t>(bytes, bytes + n))
                fail("the refused input changed");
        } else if (after) {
            fail("a refused run left an output file");
        }
    } else {
        if (result != RunResult::Done)
            fail("expected success, got result " + std::to_string(static_cast<int>(result)));
        if (prompts.messages.size() != 2 || prompts.messages[0].text != InformationText(in, ref) ||
            prompts.messages[0].caption != filerun::kInfoCaption ||
            prompts.messages[0].icon != MessageIcon::None ||
            prompts.messages[1].text != filerun::kDoneText || prompts.messages[1].caption != out ||
            prompts.messages[1].icon != MessageIcon::None)
            fail("expected the information and the completion messages");
        if (!after)
            fail("no output file after success");
        else if (*after != ExpectedOutput(bytes, n, ref, preset))
            fail("the output differs from the per-sample reference");
    }

    const std::vector<std::string> expected =
        (!refusal && !inPlace) ? std::vector<std::string>{"in.wav", "out.wav"}
                               : std::vector<std::string>{"in.wav"};
    const auto left = ListFolder(dir);
    if (left != expected) {
        std::string names;
        for (const auto& name : left)
            names += " " + name;
        fail("the folder holds" + names);
    }
    for (const auto& name : left)
        ::unlink((dir + "/" + name).c_str());
    return failure;
}

} // namespace ravelin::fuzz
