#include "files/FileRun.h"

#include "engine/Commands.h"
#include "engine/RavelinDoc.h"
#include "files/AtomicFile.h"
#include "files/UserPrompts.h"
#include "files/WavHeader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ravelin {

namespace {

// Samples filtered between two progress reports; also the size of the double buffers.
constexpr std::size_t kChunk = std::size_t{1} << 16;

std::string CantOpen(const std::string& path)
{
    return "error .... can't open the file [" + path + "]\n";
}

std::string WrongFormat(const std::string& path)
{
    return "error .... found wrong WAVE format in the file [" + path + "]\n";
}

std::string CantWrite(const std::string& path)
{
    return "error .... can't write the file [" + path + "]\n";
}

// Sets the run mode for the duration of the run and back to idle on every path.
class RunModeScope {
public:
    explicit RunModeScope(CRavelinDoc& doc) : m_doc(doc) { m_doc.m_nRunMode = kRunFile; }
    ~RunModeScope() { m_doc.m_nRunMode = kRunIdle; }
    RunModeScope(const RunModeScope&) = delete;
    RunModeScope& operator=(const RunModeScope&) = delete;

private:
    CRavelinDoc& m_doc;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file for reading. Directories, FIFOs and devices are refused at
// once (opening without blocking, so a FIFO with no writer cannot hang the run).
FilePtr OpenInput(const std::string& path, std::uint64_t& fileSize)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    fileSize = static_cast<std::uint64_t>(st.st_size);
    return FilePtr(f);
}

std::string InformationText(const std::string& path, const WavHeader& h, std::uint32_t count)
{
    std::string text;
    text += "ファイル名: " + path + "\n";
    text += "フォーマットID: " + std::to_string(h.FormatTag()) + "\n";
    if (h.FormatTag() == 1)
        text += "リニアPCM形式\n";
    text += "チャネル数: " + std::to_string(h.Channels()) + "\n";
    text += "サンプリング周波数: " + std::to_string(h.SampleRate()) + "\n";
    text += "量子化ビット数: " + std::to_string(h.BitsPerSample()) + "\n";
    text += "サンプル数: " + std::to_string(count) + "\n";
    return text;
}

// Filters the sample bytes in place. False when the user cancelled.
bool FilterSamples(CStreamFilter& filter, std::vector<std::uint8_t>& data, int bits,
                   IUserPrompts& prompts)
{
    const std::size_t bytesPerSample = bits == 16 ? 2 : 1;
    const std::size_t total = data.size() / bytesPerSample;
    std::vector<std::int32_t> samples(std::min(total, kChunk));
    for (std::size_t start = 0; start < total; start += kChunk) {
        if (!prompts.Progress(start, total))
            return false;
        const std::size_t n = std::min(kChunk, total - start);
        std::uint8_t* p = data.data() + start * bytesPerSample;
        if (bits == 16) {
            for (std::size_t i = 0; i < n; ++i)
                samples[i] = static_cast<std::int16_t>(p[2 * i] | p[2 * i + 1] << 8);
            filter.ProcessSamples(samples.data(), samples.data(), n, -32768, 32767);
            for (std::size_t i = 0; i < n; ++i) {
                const auto v = static_cast<std::uint16_t>(samples[i]);
                p[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
                p[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
            }
        } else {
            for (std::size_t i = 0; i < n; ++i)
                samples[i] = static_cast<std::int32_t>(p[i]) - 128;
            filter.ProcessSamples(samples.data(), samples.data(), n, -128, 127);
            for (std::size_t i = 0; i < n; ++i)
                p[i] = static_cast<std::uint8_t>(samples[i] + 128);
        }
    }
    return prompts.Progress(total, total);
}

} // namespace

RunResult RunFileFilter(CRavelinDoc& doc, IUserPrompts& prompts)
{
    RunModeScope mode(doc);
    if (!doc.LoadFilePreset()) {
        prompts.ShowMessage("error .... can't allocate memory for the filter\n", "",
                            MessageIcon::Error);
        return RunResult::Refused;
    }

    const auto chosen = prompts.AskOpenPath(filerun::kOpenTitle, filerun::kFilter);
    if (!chosen || chosen->empty())
        return RunResult::Cancelled;
    std::string path = *chosen;

    std::uint64_t fileSize = 0;
    FilePtr input = OpenInput(path, fileSize);
    if (!input) {
        prompts.ShowMessage(CantOpen(path), "", MessageIcon::Error);
        return RunResult::Refused;
    }

    WavHeader header;
    if (header.ReadWavHeader(input.get()) != 0 || header.BlockAlign() == 0) {
        prompts.ShowMessage(WrongFormat(path), "", MessageIcon::Error);
        return RunResult::Refused;
    }

    const std::uint32_t declaredCount =
        header.DataSize() / static_cast<std::uint16_t>(header.BlockAlign());
    std::string info = InformationText(path, header, declaredCount);
    if (header.Channels() != 1) {
        prompts.ShowMessage(info + "モノラルでないため扱えません", "", MessageIcon::Error);
        return RunResult::Refused;
    }
    const int bits = header.BitsPerSample();
    if (bits != 8 && bits != 16) {
        prompts.ShowMessage(info + "サンプルビット数が8あるいは16でないため扱えません", "",
                            MessageIcon::Error);
        return RunResult::Refused;
    }
    const std::size_t bytesPerSample = static_cast<std::size_t>(bits / 8);
    if (static_cast<std::size_t>(header.BlockAlign()) != bytesPerSample) {
        prompts.ShowMessage(WrongFormat(path), "", MessageIcon::Error);
        return RunResult::Refused;
    }
    prompts.ShowMessage(info, filerun::kInfoCaption, MessageIcon::None);

    const auto saveAs = prompts.AskSavePath(filerun::kSaveTitle, filerun::kFilter);
    if (!saveAs || saveAs->empty())
        return RunResult::Cancelled;
    const std::string inputPath = path;
    path = *saveAs;

    // Only the bytes really present count, in whole samples, and no more than an
    // output header can declare; the declared size alone never sizes the buffer.
    const long here = std::ftell(input.get());
    const std::uint64_t present = here < 0 ? 0 : fileSize - std::min<std::uint64_t>(fileSize, here);
    std::uint64_t bytes = std::min<std::uint64_t>(header.DataSize(), present);
    bytes = std::min<std::uint64_t>(bytes, std::numeric_limits<std::uint32_t>::max() - 36u);
    bytes -= bytes % bytesPerSample;

    std::vector<std::uint8_t> data;
    try {
        data.resize(static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
        prompts.ShowMessage("error .... can't allocate memory for the file [" + inputPath + "]\n",
                            "", MessageIcon::Error);
        return RunResult::Refused;
    }
    const std::size_t got = std::fread(data.data(), 1, data.size(), input.get());
    const bool readError = std::ferror(input.get()) != 0;
    input.reset();
    // Fewer bytes than the file held when it was opened: it was cut short while the
    // dialogs were open. What remains is not the file whose information was shown.
    if (readError || got != data.size()) {
        prompts.ShowMessage(CantOpen(inputPath), "", MessageIcon::Error);
        return RunResult::Refused;
    }

    if (!FilterSamples(doc.m_filter, data, bits, prompts))
        return RunResult::Cancelled;

    AtomicFile output;
    if (!output.Open(path)) {
        prompts.ShowMessage(CantOpen(path), "", MessageIcon::Error);
        return RunResult::Failed;
    }
    header.SetDataSize(static_cast<std::uint32_t>(data.size()));
    const bool written = header.WriteWavHeader(output.Stream()) &&
                         output.Write(data.data(), data.size()) && output.Commit();
    if (!written) {
        output.Discard();
        prompts.ShowMessage(CantWrite(path), "", MessageIcon::Error);
        return RunResult::Failed;
    }
    prompts.ShowMessage(filerun::kDoneText, path, MessageIcon::None);
    return RunResult::Done;
}

} // namespace ravelin
