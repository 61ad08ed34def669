#include "files/WavHeader.h"

#include "files/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace ravelin {

namespace {

constexpr std::size_t kScratch = 256;

bool ReadExact(std::FILE* file, std::uint8_t* buffer, std::size_t count)
{
    return std::fread(buffer, 1, count, file) == count;
}

std::uint32_t LoadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Skips count bytes by reading them through the scratch buffer, so the reader works
// on pipes and memory streams as well as on files. Fails at the end of the stream.
bool Skip(std::FILE* file, std::uint64_t count)
{
    std::uint8_t scratch[kScratch];
    while (count > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, kScratch));
        if (!ReadExact(file, scratch, piece))
            return false;
        count -= piece;
    }
    return true;
}

// The sub-format of an extensible "fmt " chunk that says linear PCM.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The most sample bytes a WAV header can declare: the RIFF size, 36 + the data + its
// pad byte, is a 32-bit number.
constexpr std::uint64_t kMaxOutputData = std::numeric_limits<std::uint32_t>::max() - 37u;

} // namespace

int TagEquals(const std::uint8_t* bytes, const char* tag)
{
    return std::memcmp(bytes, tag, 4) == 0 ? 0 : 1;
}

WavHeader::WavHeader()
{
    std::memcpy(&m_bytes[0], "RIFF", 4);
    std::memcpy(&m_bytes[8], "WAVE", 4);
    std::memcpy(&m_bytes[12], "fmt ", 4);
    PutU32(16, 16);
    std::memcpy(&m_bytes[36], "data", 4);
}

std::uint16_t WavHeader::U16(std::size_t at) const
{
    return static_cast<std::uint16_t>(m_bytes[at] | m_bytes[at + 1] << 8);
}

std::uint32_t WavHeader::U32(std::size_t at) const
{
    return LoadU32(&m_bytes[at]);
}

void WavHeader::PutU32(std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void WavHeader::SetFormatTag(std::int16_t tag)
{
    const auto v = static_cast<std::uint16_t>(tag);
    m_bytes[20] = static_cast<std::uint8_t>(v);
    m_bytes[21] = static_cast<std::uint8_t>(v >> 8);
}

int WavHeader::ReadWavHeader(std::FILE* file)
{
    std::uint8_t head[12];
    if (!ReadExact(file, head, sizeof head) || TagEquals(head, "RIFF") != 0 ||
        TagEquals(head + 8, "WAVE") != 0)
        return 1;
    std::memcpy(&m_bytes[4], head + 4, 4);
    m_extensiblePcm = false;

    bool haveFmt = false;
    for (;;) {
        std::uint8_t chunk[8];
        if (!ReadExact(file, chunk, sizeof chunk))
            return 1;
        const std::uint32_t size = LoadU32(chunk + 4);
        if (TagEquals(chunk, "data") == 0) {
            if (!haveFmt)
                return 1;
            std::memcpy(&m_bytes[40], chunk + 4, 4);
            return 0;
        }
        // Odd chunks carry one pad byte. Added in 64 bits: a size of 0xFFFFFFFF plus
        // its pad byte must not wrap to an empty chunk.
        std::uint64_t skip = std::uint64_t{size} + (size & 1u);
        if (TagEquals(chunk, "fmt ") == 0 && !haveFmt) {
            if (size < 16)
                return 1;
            std::uint8_t body[16];
            if (!ReadExact(file, body, sizeof body))
                return 1;
            std::memcpy(&m_bytes[20], body, sizeof body);
            haveFmt = true;
            skip -= 16;
            // The extensible format names its sample format in the extension: size,
            // valid bits, channel mask, then the sub-format.
            if (FormatTag() == -2 && size >= 40) {
                std::uint8_t extension[24];
                if (!ReadExact(file, extension, sizeof extension))
                    return 1;
                skip -= sizeof extension;
                const unsigned extensionSize = extension[0] | extension[1] << 8;
                m_extensiblePcm =
                    extensionSize >= 22 && std::memcmp(extension + 8, kPcmSubFormat, 16) == 0;
            }
        }
        if (!Skip(file, skip))
            return 1;
    }
}

bool WavHeader::WriteWavHeader(std::FILE* file) const
{
    WavHeader out = *this;
    out.PutU32(4, 36u + DataSize() + (DataSize() & 1u));
    out.PutU32(16, 16);
    std::memcpy(&out.m_bytes[0], "RIFF", 4);
    std::memcpy(&out.m_bytes[8], "WAVE", 4);
    std::memcpy(&out.m_bytes[12], "fmt ", 4);
    std::memcpy(&out.m_bytes[36], "data", 4);
    return std::fwrite(out.m_bytes.data(), 1, kSize, file) == kSize;
}

FileFault CheckSampleFormat(const WavHeader& header)
{
    // A-law, mu-law, ADPCM or floating-point samples read as integers are noise.
    if (!header.IsLinearPcm())
        return FileFault::NotLinearPcm;
    if (header.Channels() != 1)
        return FileFault::NotMono;
    const int bits = header.BitsPerSample();
    if (bits != 8 && bits != 16)
        return FileFault::NotEightOrSixteenBits;
    if (header.BlockAlign() != bits / 8)
        return FileFault::WrongFormat;
    return FileFault::None;
}

WavInput::WavInput() = default;
WavInput::~WavInput() = default;

int WavInput::FileDescriptor() const
{
    return m_file ? ::fileno(m_file.get()) : -1;
}

bool WavInput::Refuse(FileFault fault, int systemError)
{
    m_file.reset();
    m_fault = fault;
    m_systemError = systemError;
    return false;
}

bool WavInput::Open(const std::string& path)
{
    m_file.reset();
    m_path = path;
    m_header = WavHeader();
    m_fault = FileFault::None;
    m_systemError = 0;
    m_bytesPerSample = 0;
    m_dataStart = m_dataBytes = 0;

    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Refuse(FileFault::CantOpen, errno);
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* f = nullptr;
    int error = 0;
    const bool known = ::fstat(fd, &st) == 0 && flags >= 0;
    if (known && !S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
    else if (!known || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !(f = ::fdopen(fd, "rb")))
        error = errno;
    if (error != 0) {
        ::close(fd);
        return Refuse(FileFault::CantOpen, error);
    }
    m_file.reset(f);
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);

    if (m_header.ReadWavHeader(f) != 0 || m_header.BlockAlign() == 0)
        return Refuse(FileFault::WrongFormat);
    if (const FileFault fault = CheckSampleFormat(m_header); fault != FileFault::None)
        return Refuse(fault);
    m_bytesPerSample = m_header.BitsPerSample() / 8;

    // Only the bytes really present count, in whole samples. A start the file's size
    // does not cover (the file grew while its header was read, or is one whose size the
    // system does not know) confirms no sample: the file cannot be read as it was.
    const long here = std::ftell(f);
    if (here < 0)
        return Refuse(FileFault::CantOpen, errno);
    if (static_cast<std::uint64_t>(here) > fileSize)
        return Refuse(FileFault::CantOpen);
    m_dataStart = static_cast<std::uint64_t>(here);
    const std::uint64_t bytes =
        std::min<std::uint64_t>(m_header.DataSize(), fileSize - m_dataStart);
    // More than an output header can declare (with the pad byte of an odd size) would be
    // cut without a word: such a file (a recording that went on past 4 GiB under a
    // header that says "as much as there is") is refused instead.
    if (bytes > kMaxOutputData)
        return Refuse(FileFault::TooLarge);
    m_dataBytes = bytes - bytes % static_cast<std::uint64_t>(m_bytesPerSample);
    return true;
}

} // namespace ravelin
