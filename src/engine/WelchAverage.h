#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct fftw_plan_s; // fftw3.h's plan, kept out of this header

namespace ravelin {

// The averaged magnitude spectrum of a signal that arrives block by block (Welch's
// method): segments of a fixed length with a Hann window, each half a segment after
// the one before, their power averaged bin by bin. However the signal is split into
// blocks, the same segments are transformed in the same order, so the result is the same.
class SpectrumAccumulator {
  public:
    // fullScale: the magnitude of a full-scale sample (32768 for 16 bits, 128 for 8-bit
    // samples with 128 taken off). segment: the transform length, at least 4.
    explicit SpectrumAccumulator(double fullScale = 32768.0, std::size_t segment = 4096);
    ~SpectrumAccumulator();
    SpectrumAccumulator(const SpectrumAccumulator&) = delete;
    SpectrumAccumulator& operator=(const SpectrumAccumulator&) = delete;

    // False when the working memory or the transform's plan could not be had; Add then
    // does nothing and the result stays empty.
    bool Ok() const { return m_plan != nullptr; }

    void Add(const std::int32_t* samples, std::size_t n);
    // Drops the samples not yet in a whole segment, so that the next Add starts a
    // segment of its own: for averaging pieces of a long signal without a segment
    // spanning the join.
    void Gap() { m_filled = 0; }

    // Per bin k = 0 .. segment / 2 (k / segment cycles per sample): the level in dB
    // where a full-scale sine centred on a bin reads 0 dB; kFloorDb for no power at all.
    // A signal shorter than a segment is taken as one segment of its own length, zero
    // padded. Empty before the first sample.
    std::vector<double> ResultDb() const;

    std::size_t SegmentLength() const { return m_segment; }
    std::size_t Bins() const { return m_segment / 2 + 1; }
    // Whole segments averaged so far.
    std::size_t Segments() const { return m_segments; }

  private:
    // Windows the first `length` samples of m_pending (Hann of that length), transforms
    // them and returns, through power, |X[k]|^2 per bin; returns the window's sum.
    double Transform(std::size_t length, std::vector<double>& power) const;

    double m_fullScale;
    std::size_t m_segment;
    std::vector<double> m_window;  // Hann of the segment's length
    std::vector<double> m_pending; // samples not yet past a whole segment
    std::size_t m_filled = 0;
    std::vector<double> m_sum; // sum over segments of |X[k]|^2
    std::vector<double> m_power;
    std::size_t m_segments = 0;
    double m_windowSum = 0.0;
    // FFTW's aligned buffers and their plan.
    double* m_in = nullptr;
    double* m_out = nullptr; // interleaved complex, Bins() of them
    fftw_plan_s* m_plan = nullptr;
};

} // namespace ravelin
