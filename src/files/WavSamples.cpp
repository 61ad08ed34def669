#include "files/WavSamples.h"

#include "files/SampleCodec.h"
#include "files/WavHeader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <unistd.h>

namespace ravelin {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens path and reads its header, positioned at the first sample: Ok for a mono
// 8/16-bit file with a sample rate.
WavReadResult OpenSamples(const std::string& path, FilePtr& file, WavHeader& header)
{
    file.reset(std::fopen(path.c_str(), "rb"));
    if (!file)
        return WavReadResult::CantOpen;
    if (header.ReadWavHeader(file.get()) != 0 || CheckSampleFormat(header) != FileFault::None ||
        header.SampleRate() <= 0)
        return WavReadResult::WrongFormat;
    return WavReadResult::Ok;
}

} // namespace

WavReadResult ReadWavSamples(const std::string& path, WavSamples& out)
{
    FilePtr file;
    WavHeader header;
    if (const WavReadResult opened = OpenSamples(path, file, header); opened != WavReadResult::Ok)
        return opened;

    WavSamples result;
    result.sampleRate = header.SampleRate();
    result.bits = header.BitsPerSample();
    const std::size_t width = static_cast<std::size_t>(result.bits / 8);
    std::vector<std::uint8_t> bytes;
    try {
        // Read in pieces: the declared size alone never sizes a buffer.
        constexpr std::size_t kPiece = std::size_t{1} << 20;
        std::size_t wanted = header.DataSize() - header.DataSize() % width;
        while (wanted > 0) {
            const std::size_t piece = std::min(kPiece, wanted);
            const std::size_t at = bytes.size();
            bytes.resize(at + piece);
            const std::size_t got = std::fread(bytes.data() + at, 1, piece, file.get());
            bytes.resize(at + got);
            wanted -= got;
            if (got < piece)
                break;
        }
        if (std::ferror(file.get()))
            return WavReadResult::CantOpen;
        bytes.resize(bytes.size() - bytes.size() % width);
        result.samples.resize(bytes.size() / width);
    } catch (const std::bad_alloc&) {
        return WavReadResult::OutOfMemory;
    }
    DecodeSamples(bytes.data(), result.samples.size(), static_cast<int>(width),
                  result.samples.data());
    out = std::move(result);
    return WavReadResult::Ok;
}

WavReadResult ReadScaledSamples(const std::string& path, std::uint64_t first, std::size_t count,
                                std::vector<double>& out)
{
    out.assign(count, 0.0);
    FilePtr file;
    WavHeader header;
    if (const WavReadResult opened = OpenSamples(path, file, header); opened != WavReadResult::Ok)
        return opened;
    const int width = header.BitsPerSample() / 8;
    const std::uint64_t declared = header.DataSize() / static_cast<std::uint64_t>(width);
    if (first >= declared)
        return WavReadResult::Ok;
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(count, declared - first));
    if (fseeko(file.get(), static_cast<off_t>(first * static_cast<std::uint64_t>(width)),
               SEEK_CUR) != 0)
        return WavReadResult::Ok; // shorter than its header says: nothing there
    std::vector<std::uint8_t> bytes(wanted * static_cast<std::size_t>(width));
    // A file cut short gives fewer samples; the rest stay zero.
    const std::size_t got =
        std::fread(bytes.data(), static_cast<std::size_t>(width), wanted, file.get());
    std::vector<std::int32_t> samples(got);
    DecodeSamples(bytes.data(), got, width, samples.data());
    // Full scale is the magnitude of the range's lowest value: 128 or 32768.
    const double scale = -static_cast<double>(SampleRangeOf(width).lo);
    for (std::size_t i = 0; i < got; ++i)
        out[i] = static_cast<double>(samples[i]) / scale;
    return WavReadResult::Ok;
}

int ReadWavSampleRate(const std::string& path)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    WavHeader header;
    if (!file || header.ReadWavHeader(file.get()) != 0)
        return 0;
    return header.SampleRate() > 0 ? header.SampleRate() : 0;
}

WavSampleReader::WavSampleReader() = default;
WavSampleReader::~WavSampleReader() = default;

bool WavSampleReader::Open(const std::string& path)
{
    Close();
    auto input = std::make_unique<WavInput>();
    if (!input->Open(path))
        return false;
    m_sampleRate = std::max(0, input->Header().SampleRate());
    m_bits = input->BytesPerSample() * 8;
    m_count = input->DataBytes() / static_cast<std::uint64_t>(input->BytesPerSample());
    m_input = std::move(input);
    return true;
}

void WavSampleReader::Close()
{
    m_input.reset();
    m_sampleRate = m_bits = 0;
    m_count = 0;
}

std::size_t WavSampleReader::Read(std::uint64_t first, std::int32_t* out, std::size_t n) const
{
    if (!m_input || first >= m_count)
        return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_count - first));
    const auto width = static_cast<std::size_t>(m_bits / 8);
    std::uint8_t buffer[8192];
    std::size_t done = 0;
    while (done < n) {
        const std::size_t want = std::min(n - done, sizeof buffer / width);
        const auto at = static_cast<off_t>(m_input->DataStart() + (first + done) * width);
        const ssize_t got = ::pread(m_input->FileDescriptor(), buffer, want * width, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        const std::size_t samples = static_cast<std::size_t>(got) / width;
        DecodeSamples(buffer, samples, static_cast<int>(width), out + done);
        done += samples;
        if (samples < want)
            break;
    }
    return done;
}

} // namespace ravelin
