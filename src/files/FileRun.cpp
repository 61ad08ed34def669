#include "files/FileRun.h"

#include "engine/Commands.h"
#include "engine/RavelinDoc.h"
#include "files/AtomicFile.h"
#include "files/UserPrompts.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ravelin {

namespace {

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
            if (errno != EINVAL)
                return false;
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
            if (put <= 0)
                return false;
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
          m_samples(m_outputFd,
                    bytes >= kFileRunThreadedBytes ? kChunkBlocks * blockBytes : blockBytes,
                    bytes >= kFileRunThreadedBytes)
    {
#ifdef POSIX_FADV_SEQUENTIAL
        ::posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                        POSIX_FADV_SEQUENTIAL);
#endif
        if (bytes >= kFileRunThreadedBytes) {
            Layout(kChunkBlocks * blockBytes, kSlots);
            m_slots.resize(kSlots * m_chunkBytes);
            try {
                m_reader = std::thread(&BlockPipeline::ReadLoop, this);
                m_writer = std::thread(&BlockPipeline::WriteLoop, this);
                return;
            } catch (const std::system_error&) {
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

  private:
    static constexpr std::size_t kSlots = 4;
    // Blocks per chunk of the threaded form: a megabyte of 16-bit samples at a time.
    static constexpr std::size_t kChunkBlocks = 8;
    // Written data is handed to the disk every this many bytes, so that the disk works
    // while the run goes on and the sync at the end finds little left to do.
    static constexpr std::uint64_t kWriteBehind = std::uint64_t{1} << 20;

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

    bool ReadChunk(std::size_t index, std::uint8_t* into) const
    {
        std::size_t size = ChunkSize(index);
        auto at = static_cast<off_t>(m_offset + std::uint64_t{index} * m_chunkBytes);
        while (size > 0) {
            const ssize_t got = ::pread(m_fd, into, size, at);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false; // a read error, or the file is shorter than it was
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
    bool m_stop = false;
};

// Filters n samples of the given width in place; the samples become int32 on the way
// in and back after the filter, which truncates and clamps them.
std::size_t FilterBlock(CStreamFilter& filter, std::uint8_t* bytes, std::size_t n, int width,
                        std::int32_t* samples, std::size_t* firstClamped)
{
    if (width == 2) {
        for (std::size_t i = 0; i < n; ++i) {
            std::uint16_t v;
            std::memcpy(&v, bytes + 2 * i, 2);
            samples[i] = static_cast<std::int16_t>(v);
        }
        const std::size_t clamped =
            filter.ProcessSamples(samples, samples, n, -32768, 32767, firstClamped);
        for (std::size_t i = 0; i < n; ++i) {
            const auto v = static_cast<std::uint16_t>(samples[i]);
            std::memcpy(bytes + 2 * i, &v, 2);
        }
        return clamped;
    }
    for (std::size_t i = 0; i < n; ++i)
        samples[i] = static_cast<std::int32_t>(bytes[i]) - 128;
    const std::size_t clamped = filter.ProcessSamples(samples, samples, n, -128, 127, firstClamped);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(samples[i] + 128);
    return clamped;
}

static_assert(std::endian::native == std::endian::little,
              "the 16-bit samples are copied as they lie in the file");

} // namespace

WavInput::WavInput() = default;
WavInput::~WavInput() = default;

int WavInput::FileDescriptor() const
{
    return m_file ? ::fileno(m_file.get()) : -1;
}

bool WavInput::Refuse(std::string message)
{
    m_file.reset();
    m_error = std::move(message);
    return false;
}

bool WavInput::Open(const std::string& path)
{
    m_file.reset();
    m_path = path;
    m_header = WavHeader();
    m_information.clear();
    m_error.clear();
    m_bytesPerSample = 0;
    m_dataStart = m_dataBytes = 0;

    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Refuse(CantOpen(path));
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* f = nullptr;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !(f = ::fdopen(fd, "rb"))) {
        ::close(fd);
        return Refuse(CantOpen(path));
    }
    m_file.reset(f);
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);

    if (m_header.ReadWavHeader(f) != 0 || m_header.BlockAlign() == 0)
        return Refuse(WrongFormat(path));
    const std::uint32_t declaredCount =
        m_header.DataSize() / static_cast<std::uint16_t>(m_header.BlockAlign());
    m_information = InformationText(path, m_header, declaredCount);
    if (m_header.Channels() != 1)
        return Refuse(m_information + "モノラルでないため扱えません");
    const int bits = m_header.BitsPerSample();
    if (bits != 8 && bits != 16)
        return Refuse(m_information + "サンプルビット数が8あるいは16でないため扱えません");
    m_bytesPerSample = bits / 8;
    if (m_header.BlockAlign() != m_bytesPerSample)
        return Refuse(WrongFormat(path));

    // Only the bytes really present count, in whole samples, and no more than an output
    // header can declare. A start the file's size does not cover (the file grew while
    // its header was read, or is one whose size the system does not know) confirms no
    // sample: the file cannot be read as it was.
    const long here = std::ftell(f);
    if (here < 0 || static_cast<std::uint64_t>(here) > fileSize)
        return Refuse(CantOpen(path));
    m_dataStart = static_cast<std::uint64_t>(here);
    std::uint64_t bytes = std::min<std::uint64_t>(m_header.DataSize(), fileSize - m_dataStart);
    bytes = std::min<std::uint64_t>(bytes, std::numeric_limits<std::uint32_t>::max() - 36u);
    m_dataBytes = bytes - bytes % static_cast<std::uint64_t>(m_bytesPerSample);
    return true;
}

FileRunOutcome FilterWavFile(CStreamFilter& filter, WavInput& input, const std::string& outputPath,
                             const RunProgress& progress)
{
    FileRunOutcome outcome;
    outcome.sampleRate = input.Header().SampleRate();
    const auto fail = [&outcome](RunResult result, std::string message) {
        outcome.result = result;
        outcome.message = std::move(message);
        return outcome;
    };
    if (input.FileDescriptor() < 0)
        return fail(RunResult::Refused,
                    input.Error().empty() ? CantOpen(input.Path()) : input.Error());

    const int width = input.BytesPerSample();
    const std::uint64_t bytes = input.DataBytes();
    const std::uint64_t total = bytes / static_cast<std::uint64_t>(width);

    AtomicFile output;
    if (!output.Open(outputPath))
        return fail(RunResult::Failed, CantOpen(outputPath));
    // Whole blocks go straight to the system, without a copy through the stream's buffer.
    std::setvbuf(output.Stream(), nullptr, _IONBF, 0);
    WavHeader header = input.Header();
    header.SetDataSize(static_cast<std::uint32_t>(bytes));
    if (!header.WriteWavHeader(output.Stream()))
        return fail(RunResult::Failed, CantWrite(outputPath));

    try {
        std::vector<std::int32_t> samples(
            static_cast<std::size_t>(std::min<std::uint64_t>(total, kFileRunBlock)));
        BlockPipeline pipeline(input.FileDescriptor(), input.DataStart(), bytes,
                               kFileRunBlock * static_cast<std::size_t>(width), output);
        for (std::uint64_t done = 0; done < total;) {
            if (progress && !progress(done, total))
                return fail(RunResult::Cancelled, "");
            std::size_t size = 0;
            std::uint8_t* block = pipeline.Next(size);
            if (!block && pipeline.WriteFailed())
                return fail(RunResult::Failed, CantWrite(outputPath));
            // The file is shorter than when it was opened, or cannot be read: what
            // remains is not the file whose information was shown.
            if (!block)
                return fail(RunResult::Refused, CantOpen(input.Path()));
            const std::size_t n = size / static_cast<std::size_t>(width);
            std::size_t first = 0;
            const std::size_t clamped =
                FilterBlock(filter, block, n, width, samples.data(), &first);
            if (clamped > 0 && outcome.clip.count == 0)
                outcome.clip.first = done + first;
            outcome.clip.count += clamped;
            done += n;
        }
        if (!pipeline.Finish())
            return fail(RunResult::Failed, CantWrite(outputPath));
    } catch (const std::bad_alloc&) {
        return fail(RunResult::Failed,
                    "error .... can't allocate memory for the file [" + input.Path() + "]\n");
    }
    if (progress && !progress(total, total))
        return fail(RunResult::Cancelled, "");
    if (!output.Commit())
        return fail(RunResult::Failed, CantWrite(outputPath));
    outcome.result = RunResult::Done;
    outcome.samples = total;
    return outcome;
}

FileRunOutcome FilterWavFile(CStreamFilter& filter, const std::string& inputPath,
                             const std::string& outputPath, const RunProgress& progress)
{
    WavInput input;
    if (!input.Open(inputPath)) {
        FileRunOutcome outcome;
        outcome.result = RunResult::Refused;
        outcome.message = input.Error();
        return outcome;
    }
    return FilterWavFile(filter, input, outputPath, progress);
}

std::string CompletionText(const FileRunOutcome& outcome)
{
    std::string text = filerun::kDoneText;
    if (outcome.clip.count == 0)
        return text;
    // Where the first clamped sample lies, in seconds to the millisecond (cut, not
    // rounded, so the time never lies past the sample); by its number when the header
    // gives no usable rate. Integers only: the same text under every locale.
    std::string where;
    if (outcome.sampleRate > 0) {
        const std::uint64_t ms =
            outcome.clip.first * 1000u / static_cast<std::uint64_t>(outcome.sampleRate);
        std::string frac = std::to_string(ms % 1000);
        frac.insert(0, 3 - frac.size(), '0');
        where = std::to_string(ms / 1000) + "." + frac + " 秒";
    } else {
        where = "サンプル番号 " + std::to_string(outcome.clip.first);
    }
    return text + "\nクリップしたサンプル: " + std::to_string(outcome.clip.count) + " (最初は " +
           where + ")";
}

RunResult RunFileFilter(CRavelinDoc& doc, IUserPrompts& prompts, FileRunReport* report)
{
    RunModeScope mode(doc);
    FileRunReport ignored;
    FileRunReport& told = report ? *report : ignored;
    told = {};
    if (!doc.LoadFilePreset()) {
        prompts.ShowMessage(filerun::kFilterMemory, "", MessageIcon::Error);
        return RunResult::Refused;
    }

    const auto chosen = prompts.AskOpenPath(filerun::kOpenTitle, filerun::kFilter);
    if (!chosen || chosen->empty())
        return RunResult::Cancelled;
    told.inputPath = *chosen;

    WavInput input;
    if (!input.Open(*chosen)) {
        prompts.ShowMessage(input.Error(), "", MessageIcon::Error);
        return RunResult::Refused;
    }
    prompts.ShowMessage(input.Information(), filerun::kInfoCaption, MessageIcon::None);

    const auto saveAs = prompts.AskSavePath(filerun::kSaveTitle, filerun::kFilter);
    if (!saveAs || saveAs->empty())
        return RunResult::Cancelled;
    told.outputPath = *saveAs;

    const FileRunOutcome outcome = FilterWavFile(
        doc.m_filter, input, *saveAs, [&prompts](std::uint64_t done, std::uint64_t total) {
            return prompts.Progress(done, total);
        });
    switch (outcome.result) {
    case RunResult::Done:
        told.clip = outcome.clip;
        prompts.ShowMessage(CompletionText(outcome), *saveAs, MessageIcon::None);
        break;
    case RunResult::Refused:
    case RunResult::Failed:
        prompts.ShowMessage(outcome.message, "", MessageIcon::Error);
        break;
    case RunResult::Cancelled:
        break;
    }
    return outcome.result;
}

} // namespace ravelin
