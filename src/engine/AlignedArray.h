#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace ravelin {

// A cache line, and the widest vector (also enough for FFTW's SIMD alignment).
inline constexpr std::size_t kAlignment = 64;

// An owned, cache-line aligned array that reports allocation failure instead of
// throwing. Grows only; the contents are not kept when it grows.
template <typename T> class AlignedArray {
  public:
    AlignedArray() = default;
    AlignedArray(const AlignedArray&) = delete;
    AlignedArray& operator=(const AlignedArray&) = delete;
    ~AlignedArray() { std::free(m_data); }

    bool Reserve(std::size_t n)
    {
        if (n <= m_capacity && m_data)
            return true;
        std::free(m_data);
        m_data = nullptr;
        m_capacity = 0;
        if (n > (SIZE_MAX - kAlignment) / sizeof(T))
            return false;
        const std::size_t bytes =
            (std::max<std::size_t>(n, 1) * sizeof(T) + kAlignment - 1) / kAlignment * kAlignment;
        m_data = static_cast<T*>(std::aligned_alloc(kAlignment, bytes));
        if (!m_data)
            return false;
        m_capacity = n;
        return true;
    }
    T* Data() const { return m_data; }
    void Swap(AlignedArray& other)
    {
        std::swap(m_data, other.m_data);
        std::swap(m_capacity, other.m_capacity);
    }

  private:
    T* m_data = nullptr;
    std::size_t m_capacity = 0;
};

} // namespace ravelin
