#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace ravelin {

// Why a file could not be used, for the caller to put into words.
enum class FileFault {
    None,
    CantOpen,              // not opened or not read to its end, or no regular file
    WrongFormat,           // no WAV header the run can read
    NotMono,               // a WAV file of more than one channel
    NotEightOrSixteenBits, // a mono WAV file of another sample width
    NotLinearPcm,          // A-law, mu-law, ADPCM, floating point: not samples the run reads
    TooLarge,              // more sample data than an output WAV header can declare
    CantWrite,             // the output could not be written
    NoMemory,              // the run's buffers could not be had
};

// The canonical 44-byte WAV header, kept byte for byte as it is written.
// All multi-byte fields are little-endian.
class WavHeader {
  public:
    static constexpr std::size_t kSize = 44;

    WavHeader(); // "RIFF" 0 "WAVE" "fmt " 16 <zeros> "data" 0

    const std::array<std::uint8_t, kSize>& Bytes() const { return m_bytes; }

    std::uint32_t RiffSize() const { return U32(4); }
    std::int16_t FormatTag() const { return static_cast<std::int16_t>(U16(20)); }
    std::int16_t Channels() const { return static_cast<std::int16_t>(U16(22)); }
    std::int32_t SampleRate() const { return static_cast<std::int32_t>(U32(24)); }
    std::int32_t ByteRate() const { return static_cast<std::int32_t>(U32(28)); }
    std::int16_t BlockAlign() const { return static_cast<std::int16_t>(U16(32)); }
    std::int16_t BitsPerSample() const { return static_cast<std::int16_t>(U16(34)); }
    // Unsigned: a data chunk of 2 GiB or more is still a size, not a negative number.
    std::uint32_t DataSize() const { return U32(40); }

    void SetDataSize(std::uint32_t size) { PutU32(40, size); }
    void SetFormatTag(std::int16_t tag);

    // Whether the samples are linear PCM: format tag 1, or the extensible format
    // (0xFFFE) whose sub-format is PCM. Anything else (A-law, mu-law, ADPCM, floats)
    // would be filtered as noise.
    bool IsLinearPcm() const { return FormatTag() == 1 || m_extensiblePcm; }
    bool IsExtensiblePcm() const { return m_extensiblePcm; }

    // 0 when the header was accepted (the stream then stands at the first sample
    // byte), 1 for a wrong format. Walks the RIFF chunks: "fmt " (at least 16 bytes)
    // must come before "data"; any other chunk before "data" is skipped, with the pad
    // byte that follows an odd size. Only the first 16 bytes of "fmt " are kept, and of
    // an extensible one whether its sub-format is PCM.
    int ReadWavHeader(std::FILE* file);

    // Writes the 44 bytes with the RIFF size set to 36 + the data size, plus the pad
    // byte that follows a data chunk of odd size (which the caller writes after the
    // data). Returns false when the write failed.
    bool WriteWavHeader(std::FILE* file) const;

  private:
    std::uint16_t U16(std::size_t at) const;
    std::uint32_t U32(std::size_t at) const;
    void PutU32(std::size_t at, std::uint32_t v);

    std::array<std::uint8_t, kSize> m_bytes{};
    bool m_extensiblePcm = false;
};

// The one rule for the samples the program reads: linear PCM, one channel of 8 or 16
// bits, one sample to a block. FileFault::None when the header passes, else
// NotLinearPcm, NotMono, NotEightOrSixteenBits or WrongFormat, in that order.
FileFault CheckSampleFormat(const WavHeader& header);

// 0 when the first four bytes equal the four-character tag exactly, 1 otherwise.
int TagEquals(const std::uint8_t* bytes, const char* tag);

// A WAV file opened for the file run, its header read and checked. The run reads the
// file it opened, whatever happens to the name afterwards.
class WavInput {
  public:
    WavInput();
    ~WavInput();
    WavInput(const WavInput&) = delete;
    WavInput& operator=(const WavInput&) = delete;

    // Opens a regular file (anything else is refused at once, so a FIFO cannot hang
    // the run) and reads its header. False when it cannot be filtered: Fault() then
    // says why, and for a file of the wrong format tag, channel count, sample width or
    // size Header() holds the fields read.
    bool Open(const std::string& path);

    const std::string& Path() const { return m_path; }
    const WavHeader& Header() const { return m_header; }
    FileFault Fault() const { return m_fault; }
    // Why the file could not be opened (an errno value, kNotRegularFile), or 0.
    int SystemError() const { return m_systemError; }

    // 1 or 2.
    int BytesPerSample() const { return m_bytesPerSample; }
    // Where the first sample byte is and how many sample bytes the run reads: the
    // declared size, cut to what the file held when it was opened, to whole samples
    // and to what an output header can declare.
    std::uint64_t DataStart() const { return m_dataStart; }
    std::uint64_t DataBytes() const { return m_dataBytes; }
    int FileDescriptor() const;

  private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    bool Refuse(FileFault fault, int systemError = 0);

    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::string m_path;
    WavHeader m_header;
    FileFault m_fault = FileFault::None;
    int m_systemError = 0;
    int m_bytesPerSample = 0;
    std::uint64_t m_dataStart = 0;
    std::uint64_t m_dataBytes = 0;
};

} // namespace ravelin
