#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

namespace ravelin {

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

// 0 when the first four bytes equal the four-character tag exactly, 1 otherwise.
int TagEquals(const std::uint8_t* bytes, const char* tag);

} // namespace ravelin
