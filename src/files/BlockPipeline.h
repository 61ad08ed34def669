#pragma once

#include "files/AtomicFile.h"
#include "files/FileRun.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ravelin {

// Appends the sample bytes to the output, past its header. Long data goes through a
// reused buffer written with O_DIRECT where the file system takes it: from memory
// already touched straight to the disk, instead of into page-cache pages that are new to
// the system (slow to touch on a virtual machine) and written out again at the sync.
// The writer thread waits for those writes, not the filter. Short data, whose writes
// the filtering thread itself would wait for, goes through the page cache, as do the
// bytes before the first aligned offset, the last partial buffer and everything where
// O_DIRECT is refused.
class SampleWriter {
  public:
    // direct: whether to try O_DIRECT at all.
    SampleWriter(int fd, std::size_t capacity, bool direct)
        : m_fd(fd), m_capacity((capacity + kAlign - 1) / kAlign * kAlign), m_tryDirect(direct)
    {
        const off_t here = ::lseek(fd, 0, SEEK_CUR);
        if (here < 0) {
            m_tryDirect = false;
            return;
        }
        m_written = static_cast<std::uint64_t>(here);
        m_lead = static_cast<std::size_t>((kAlign - m_written % kAlign) % kAlign);
    }
    ~SampleWriter() { std::free(m_buffer); }
    SampleWriter(const SampleWriter&) = delete;
    SampleWriter& operator=(const SampleWriter&) = delete;

    bool Append(const std::uint8_t* data, std::size_t size)
    {
        if (m_lead > 0) {
            std::size_t part = std::min(m_lead, size);
            m_lead -= part;
            size -= part;
            if (!WriteAll(data, part))
                return false;
        }
        if (size > 0 && m_lead == 0 && m_tryDirect)
            StartDirect();
        if (!m_buffer)
            return WriteAll(data, size);
        while (size > 0) {
            const std::size_t part = std::min(m_capacity - m_fill, size);
            std::memcpy(m_buffer + m_fill, data, part);
            m_fill += part;
            data += part;
            size -= part;
            if (m_fill == m_capacity && !Flush())
                return false;
        }
        return true;
    }

    // Writes what the buffer still holds, and leaves the file as it was opened for
    // whatever else is written to it. False when a write failed.
    bool Finish()
    {
        const bool ok = !m_buffer || Flush();
        StopDirect();
        return ok;
    }

    // Bytes in the file, the header's included.
    std::uint64_t Written() const { return m_written; }
    // Whether the bytes go past the page cache, so that there is nothing to write behind.
    bool Direct() const { return m_directOn; }
    // Why the last write failed: an errno value, or 0.
    int Error() const { return m_error; }

  private:
    static constexpr std::size_t kAlign = 4096;

    void StartDirect()
    {
        m_tryDirect = false;
#ifdef O_DIRECT
        const int flags = ::fcntl(m_fd, F_GETFL);
        if (flags < 0 || ::fcntl(m_fd, F_SETFL, flags | O_DIRECT) != 0)
            return;
        m_directOn = true;
        m_buffer = static_cast<std::uint8_t*>(std::aligned_alloc(kAlign, m_capacity));
        if (!m_buffer)
            StopDirect();
#endif
    }

    void StopDirect()
    {
#ifdef O_DIRECT
        if (!m_directOn)
            return;
        const int flags = ::fcntl(m_fd, F_GETFL);
        if (flags >= 0 && ::fcntl(m_fd, F_SETFL, flags & ~O_DIRECT) == 0)
            m_directOn = false;
#endif
    }

    // The buffer's bytes: whole aligned blocks with O_DIRECT, the rest (at the end)
    // through the page cache. A refusal of O_DIRECT itself (EINVAL: the file system, or
    // an offset that a short write left unaligned) is no failure: the page cache takes
    // over from there.
    bool Flush()
    {
        const std::uint8_t* from = m_buffer;
        std::size_t size = m_fill / kAlign * kAlign;
        if (m_directOn && !WriteAll(from, size)) {
            if (m_error != EINVAL)
                return false;
            m_error = 0;
            StopDirect();
        }
        size = m_fill - static_cast<std::size_t>(from - m_buffer);
        if (size > 0) {
            StopDirect();
            if (!WriteAll(from, size))
                return false;
        }
        m_fill = 0;
        return true;
    }

    // Advances data and size past what was written.
    bool WriteAll(const std::uint8_t*& data, std::size_t& size)
    {
        while (size > 0) {
            const ssize_t put = ::write(m_fd, data, size);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                m_error = put < 0 ? errno : EIO;
                return false;
            }
            data += put;
            size -= static_cast<std::size_t>(put);
            m_written += static_cast<std::uint64_t>(put);
        }
        return true;
    }

    const int m_fd;
    const std::size_t m_capacity;
    std::size_t m_lead = 0; // bytes to write before the first aligned offset
    bool m_tryDirect;
    bool m_directOn = false; // O_DIRECT is set on the file
    std::uint8_t* m_buffer = nullptr;
    std::size_t m_fill = 0;
    std::uint64_t m_written = 0;
    int m_error = 0;
};

// Moves the sample bytes through three stages: read, filtered in place by the caller a
// block at a time, written. Short data takes one buffer and the caller's thread alone,
// so that a short file costs no thread, no hand-off and little fresh memory. Long data
// goes in chunks of several blocks round kSlots buffers: a reader thread reads ahead
// and a writer thread writes behind, so reading, filtering and writing overlap on
// separate processors, and the threads wait for each other once a chunk, not once a
// block. Either way the bytes written are those of one loop doing all three, which is
// also what runs when no thread can be had.
class BlockPipeline {
  public:
    BlockPipeline(int fd, std::uint64_t offset, std::uint64_t bytes, std::size_t blockBytes,
                  AtomicFile& output)
        : m_fd(fd), m_offset(offset), m_bytes(bytes), m_blockBytes(blockBytes),
          m_outputFd(::fileno(output.Stream())),
          m_samples(m_outputFd, bytes >= kFileRunThreadedBytes ? ChunkOf(blockBytes) : blockBytes,
                    bytes >= kFileRunThreadedBytes)
    {
#ifdef POSIX_FADV_SEQUENTIAL
        ::posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                        POSIX_FADV_SEQUENTIAL);
#endif
        if (bytes >= kFileRunThreadedBytes) {
            Layout(ChunkOf(blockBytes), kSlots);
            m_slots.resize(kSlots * m_chunkBytes);
            try {
                m_reader = std::thread(&BlockPipeline::ReadLoop, this);
                m_writer = std::thread(&BlockPipeline::WriteLoop, this);
                return;
            } catch (...) {
                // No thread to be had, or no memory for one (std::bad_alloc): the
                // reader, if it started, must be stopped before it is destroyed.
                Stop();
            }
        }
        Layout(blockBytes, 1);
        m_slots.resize(static_cast<std::size_t>(std::min<std::uint64_t>(bytes, m_chunkBytes)));
        m_slots.shrink_to_fit();
    }

    ~BlockPipeline()
    {
        Stop();
    }

    BlockPipeline(const BlockPipeline&) = delete;
    BlockPipeline& operator=(const BlockPipeline&) = delete;

    // The next block to filter in place, its size in size; the one handed out before
    // is done with and goes to be written. Null when the input ended before all its
    // bytes were read or a read failed, or when a write failed (WriteFailed()).
    std::uint8_t* Next(std::size_t& size)
    {
        const std::uint64_t start = m_handedBytes;
        if (start >= m_bytes) {
            Hand(m_chunks);
            return nullptr;
        }
        const auto chunk = static_cast<std::size_t>(start / m_chunkBytes);
        const auto within = static_cast<std::size_t>(start % m_chunkBytes);
        // A new chunk: the previous one goes to be written, and this one must be read.
        if (within == 0 && !Enter(chunk))
            return nullptr;
        size = static_cast<std::size_t>(std::min<std::uint64_t>(m_blockBytes, m_bytes - start));
        m_handedBytes += size;
        return Slot(chunk) + within;
    }

    // Hands the last block on and waits until every block is written. False when a
    // write failed.
    bool Finish()
    {
        if (!Threaded())
            return m_handedBytes == 0 || WriteChunk(m_chunks - 1, m_slots.data());
        Hand(m_chunks);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_written == m_chunks || m_writeFailed; });
        return !m_writeFailed;
    }

    bool WriteFailed() const
    {
        const std::lock_guard lock(m_mutex);
        return m_writeFailed;
    }

    // Why the last read failed: an errno value or kFileShrank.
    int ReadError() const
    {
        return m_readError.load();
    }
    // Why the write failed, once WriteFailed() or Finish() said so: an errno value.
    int WriteError() const
    {
        return m_samples.Error();
    }

  private:
    static constexpr std::size_t kSlots = 4;
    // The threaded form's chunks: whole blocks, a megabyte or more at a time.
    static constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
    static std::size_t ChunkOf(std::size_t blockBytes)
    {
        return std::max<std::size_t>(1, kChunkBytes / blockBytes) * blockBytes;
    }
    // Written data is handed to the disk every this many bytes, so that the disk works
    // while the run goes on and the sync at the end finds little left to do. A quarter
    // megabyte starts a ten-second file's writing while it is filtered; each hand-off
    // costs a call, so once a block (128 KiB) made a minute slower.
    static constexpr std::uint64_t kWriteBehind = std::uint64_t{1} << 18;

    // Set before the threads start, so that they read it unguarded.
    void Layout(std::size_t chunkBytes, std::size_t slots)
    {
        m_chunkBytes = chunkBytes;
        m_slotCount = slots;
        m_chunks = static_cast<std::size_t>((m_bytes + chunkBytes - 1) / chunkBytes);
    }

    bool Threaded() const
    {
        return m_writer.joinable();
    }

    // Makes chunk the one the caller filters; false when it cannot be had.
    bool Enter(std::size_t chunk)
    {
        if (!Threaded()) {
            if (chunk > 0 && !WriteChunk(chunk - 1, m_slots.data()))
                return false;
            return ReadChunk(chunk, m_slots.data());
        }
        Hand(chunk);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_read > chunk || m_readFailed || m_writeFailed; });
        return m_read > chunk && !m_writeFailed;
    }

    // The caller is done with the chunks before this one.
    void Hand(std::size_t chunks)
    {
        if (!Threaded() || m_filtered >= chunks)
            return;
        {
            const std::lock_guard lock(m_mutex);
            m_filtered = chunks;
        }
        m_changed.notify_all();
    }

    void Stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_reader.joinable())
            m_reader.join();
        if (m_writer.joinable())
            m_writer.join();
    }

    std::size_t ChunkSize(std::size_t index) const
    {
        const std::uint64_t start = std::uint64_t{index} * m_chunkBytes;
        return static_cast<std::size_t>(std::min<std::uint64_t>(m_chunkBytes, m_bytes - start));
    }
    std::uint8_t* Slot(std::size_t index)
    {
        return m_slots.data() + index % m_slotCount * m_chunkBytes;
    }

    bool ReadChunk(std::size_t index, std::uint8_t* into)
    {
        std::size_t size = ChunkSize(index);
        auto at = static_cast<off_t>(m_offset + std::uint64_t{index} * m_chunkBytes);
        while (size > 0) {
            const ssize_t got = ::pread(m_fd, into, size, at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                // a read error, or the file is shorter than it was
                m_readError.store(got < 0 ? errno : kFileShrank);
                return false;
            }
            into += got;
            at += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }

    bool WriteChunk(std::size_t index, const std::uint8_t* from)
    {
        const std::size_t size = ChunkSize(index);
        if (!m_samples.Append(from, size) || (index + 1 == m_chunks && !m_samples.Finish()))
            return false;
#if defined(__linux__) && defined(SYNC_FILE_RANGE_WRITE)
        // What went through the page cache is handed to the disk as it comes. Only a
        // start: the sync before the rename still waits for every byte.
        if (!m_samples.Direct() && m_samples.Written() - m_synced >= kWriteBehind) {
            ::sync_file_range(m_outputFd, static_cast<off_t>(m_synced),
                              static_cast<off_t>(m_samples.Written() - m_synced),
                              SYNC_FILE_RANGE_WRITE);
            m_synced = m_samples.Written();
        }
#endif
        return true;
    }

    void ReadLoop()
    {
        StageLoop([&](std::size_t index) { return index < m_written + kSlots; },
                  [&](std::size_t index) { return ReadChunk(index, Slot(index)); }, m_read,
                  m_readFailed);
    }

    void WriteLoop()
    {
        StageLoop([&](std::size_t index) { return index < m_filtered; },
                  [&](std::size_t index) { return WriteChunk(index, Slot(index)); }, m_written,
                  m_writeFailed);
    }

    // One stage's thread: each chunk in turn once ready says it may go, then how far
    // the stage got (or that it failed) for the others to see.
    template <typename Ready, typename Work>
    void StageLoop(Ready ready, Work work, std::size_t& done, bool& failed)
    {
        for (std::size_t index = 0; index < m_chunks; ++index) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_stop || ready(index); });
                if (m_stop)
                    return;
            }
            const bool ok = work(index);
            {
                const std::lock_guard lock(m_mutex);
                if (ok)
                    done = index + 1;
                else
                    failed = true;
            }
            m_changed.notify_all();
            if (!ok)
                return;
        }
    }

    const int m_fd;
    const std::uint64_t m_offset;
    const std::uint64_t m_bytes;
    const std::size_t m_blockBytes;
    std::size_t m_chunkBytes = 0;
    std::size_t m_chunks = 0;
    std::size_t m_slotCount = 1;
    const int m_outputFd;
    SampleWriter m_samples; // the writing side only
    std::vector<std::uint8_t> m_slots;
    std::uint64_t m_handedBytes = 0; // the caller's side only
    std::uint64_t m_synced = 0;      // the writing side only: bytes handed to the disk

    std::thread m_reader, m_writer;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_read = 0;     // chunks read
    std::size_t m_filtered = 0; // chunks the caller is done with
    std::size_t m_written = 0;  // chunks written
    bool m_readFailed = false;
    bool m_writeFailed = false;
    std::atomic<int> m_readError{0};
    bool m_stop = false;
};

} // namespace ravelin
