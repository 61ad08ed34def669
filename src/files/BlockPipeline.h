#pragma once

#include "files/AtomicFile.h"
#include "files/FileRun.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ravelin {

// Moves the sample bytes through three stages, a block at a time: a reader thread
// reads ahead, the caller filters in place, a writer thread writes what the caller is
// done with, so reading, filtering and writing overlap on separate processors. The
// blocks go round kSlots buffers in file order; the bytes written are the same as
// those of one loop doing all three, which is what runs when no thread can be had.
class BlockPipeline {
  public:
    BlockPipeline(int fd, std::uint64_t offset, std::uint64_t bytes, std::size_t blockBytes,
                  AtomicFile& output)
        : m_fd(fd), m_offset(offset), m_bytes(bytes), m_blockBytes(blockBytes),
          m_blocks(static_cast<std::size_t>((bytes + blockBytes - 1) / blockBytes)),
          m_output(output)
    {
        const auto block = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, blockBytes));
#ifdef POSIX_FADV_SEQUENTIAL
        ::posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                        POSIX_FADV_SEQUENTIAL);
#endif
        if (m_blocks > 1) {
            m_slots.resize(kSlots * block);
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
        m_slots.resize(block);
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
        const std::size_t index = m_handed;
        if (!Threaded()) {
            if (index > 0 && !WriteBlock(index - 1, m_slots.data()))
                return nullptr;
            if (index >= m_blocks)
                return nullptr;
            size = BlockSize(index);
            ++m_handed;
            return ReadBlock(index, m_slots.data()) ? m_slots.data() : nullptr;
        }
        std::unique_lock lock(m_mutex);
        m_filtered = index;
        m_changed.notify_all();
        if (index >= m_blocks)
            return nullptr;
        m_changed.wait(lock, [&] { return m_read > index || m_readFailed || m_writeFailed; });
        if (m_read <= index || m_writeFailed)
            return nullptr;
        size = BlockSize(index);
        ++m_handed;
        return Slot(index);
    }

    // Hands the last block on and waits until every block is written. False when a
    // write failed.
    bool Finish()
    {
        if (!Threaded())
            return m_handed == 0 || WriteBlock(m_handed - 1, m_slots.data());
        std::unique_lock lock(m_mutex);
        m_filtered = m_handed;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_written == m_handed || m_writeFailed; });
        return !m_writeFailed;
    }

    // Why the last read failed: an errno value or kFileShrank.
    int ReadError() const
    {
        return m_readError.load();
    }

    bool WriteFailed() const
    {
        const std::lock_guard lock(m_mutex);
        return m_writeFailed;
    }

  private:
    static constexpr std::size_t kSlots = 4;
    // Written data is handed to the disk every this many bytes, so that the sync at
    // the end finds little left to do.
    static constexpr std::uint64_t kWriteBehind = std::uint64_t{1} << 20;

    bool Threaded() const
    {
        return m_writer.joinable();
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

    std::size_t BlockSize(std::size_t index) const
    {
        const std::uint64_t start = std::uint64_t{index} * m_blockBytes;
        return static_cast<std::size_t>(std::min<std::uint64_t>(m_blockBytes, m_bytes - start));
    }
    std::uint8_t* Slot(std::size_t index)
    {
        return m_slots.data() + index % kSlots * m_blockBytes;
    }

    bool ReadBlock(std::size_t index, std::uint8_t* into)
    {
        std::size_t size = BlockSize(index);
        auto at = static_cast<off_t>(m_offset + std::uint64_t{index} * m_blockBytes);
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

    bool WriteBlock(std::size_t index, const std::uint8_t* from)
    {
        if (!m_output.Write(from, BlockSize(index)))
            return false;
        m_unsynced += BlockSize(index);
#if defined(__linux__) && defined(SYNC_FILE_RANGE_WRITE)
        if (m_unsynced >= kWriteBehind) {
            const int fd = ::fileno(m_output.Stream());
            const off_t end = ::lseek(fd, 0, SEEK_CUR);
            // Only a start: the sync before the rename still waits for every byte.
            if (end > 0)
                ::sync_file_range(fd, end - static_cast<off_t>(m_unsynced),
                                  static_cast<off_t>(m_unsynced), SYNC_FILE_RANGE_WRITE);
            m_unsynced = 0;
        }
#endif
        return true;
    }

    void ReadLoop()
    {
        StageLoop([&](std::size_t index) { return index < m_written + kSlots; },
                  [&](std::size_t index) { return ReadBlock(index, Slot(index)); }, m_read,
                  m_readFailed);
    }

    void WriteLoop()
    {
        StageLoop([&](std::size_t index) { return index < m_filtered; },
                  [&](std::size_t index) { return WriteBlock(index, Slot(index)); }, m_written,
                  m_writeFailed);
    }

    // One stage's thread: each block in turn once ready says it may go, then how far
    // the stage got (or that it failed) for the others to see.
    template <typename Ready, typename Work>
    void StageLoop(Ready ready, Work work, std::size_t& done, bool& failed)
    {
        for (std::size_t index = 0; index < m_blocks; ++index) {
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
    const std::size_t m_blocks;
    AtomicFile& m_output;
    std::vector<std::uint8_t> m_slots;
    std::size_t m_handed = 0;     // the caller's side only
    std::uint64_t m_unsynced = 0; // the writing side only

    std::thread m_reader, m_writer;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_read = 0;     // blocks read
    std::size_t m_filtered = 0; // blocks the caller is done with
    std::size_t m_written = 0;  // blocks written
    bool m_readFailed = false;
    bool m_writeFailed = false;
    std::atomic<int> m_readError{0};
    bool m_stop = false;
};

} // namespace ravelin
