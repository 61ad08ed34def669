#include "files/FileRun.h"

#include "engine/StreamFilter.h"
#include "files/AtomicFile.h"
#include "files/BlockPipeline.h"
#include "files/SampleCodec.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <vector>

namespace ravelin {

namespace {

// What the filter needs besides the bytes: int32 samples, and for an observer the
// inputs kept apart from the outputs and where the outputs were clamped.
struct BlockWork {
    std::vector<std::int32_t> samples; // the outputs (and the inputs, without an observer)
    std::vector<std::int32_t> inputs;  // with an observer only
    std::vector<std::uint8_t> flags;   // with an observer only
    std::vector<std::uint32_t> clamped;
};

// Filters n samples of the given width in place; the samples become int32 on the way
// in and back after the filter, which truncates and clamps them. With an observer,
// it is told the block (whose first sample is sample `first` of the run).
std::size_t FilterBlock(CStreamFilter& filter, std::uint8_t* bytes, std::size_t n, int width,
                        BlockWork& work, std::size_t* firstClamped, IRunObserver* observer,
                        std::uint64_t first)
{
    std::int32_t* const out = work.samples.data();
    std::int32_t* const in = observer ? work.inputs.data() : out;
    DecodeSamples(bytes, n, width, in);
    const SampleRange range = SampleRangeOf(width);
    std::uint8_t* const flags = observer ? work.flags.data() : nullptr;
    const std::size_t clamped =
        filter.ProcessSamples(in, out, n, range.lo, range.hi, firstClamped, flags);
    EncodeSamples(out, n, width, bytes);
    if (observer) {
        work.clamped.clear();
        for (std::size_t i = 0; clamped > 0 && i < n; ++i)
            if (flags[i])
                work.clamped.push_back(static_cast<std::uint32_t>(i));
        observer->OnRunBlock(first, in, out, n, work.clamped.data(), work.clamped.size());
    }
    return clamped;
}

} // namespace

void RunObserverList::OnRunStart(const WavHeader& header, std::uint64_t totalSamples)
{
    for (IRunObserver* observer : m_observers)
        observer->OnRunStart(header, totalSamples);
}

void RunObserverList::OnRunBlock(std::uint64_t first, const std::int32_t* in,
                                 const std::int32_t* out, std::size_t n,
                                 const std::uint32_t* clamped, std::size_t clampedCount)
{
    for (IRunObserver* observer : m_observers)
        observer->OnRunBlock(first, in, out, n, clamped, clampedCount);
}

FileRunOutcome FilterWavFile(CStreamFilter& filter, WavInput& input, const std::string& outputPath,
                             const RunProgress& progress, IRunObserver* observer,
                             const BeforeCommit& beforeCommit)
{
    FileRunOutcome outcome;
    outcome.input = input.Header();
    const auto fail = [&outcome](RunResult result, FileFault fault, const std::string& path,
                                 int systemError = 0) {
        outcome.result = result;
        outcome.fault = fault;
        outcome.faultPath = path;
        outcome.systemError = systemError;
        return outcome;
    };
    if (input.FileDescriptor() < 0)
        return fail(RunResult::Refused,
                    input.Fault() == FileFault::None ? FileFault::CantOpen : input.Fault(),
                    input.Path(), input.SystemError());

    const int width = input.BytesPerSample();
    const std::uint64_t bytes = input.DataBytes();
    const std::uint64_t total = bytes / static_cast<std::uint64_t>(width);

    std::size_t runBlock = bytes >= kFileRunThreadedBytes ? kFileRunLongBlock : kFileRunBlock;
    // The filter readies itself while the output is opened and the first block read, and
    // says which blocks suit it where the data takes more than one.
    const SampleRange range = SampleRangeOf(width);
    const std::size_t suits = filter.Anticipate(
        static_cast<std::size_t>(std::min<std::uint64_t>(total, runBlock)), range.lo, range.hi);
    if (total > runBlock)
        runBlock = suits;
    const auto blockSamples = static_cast<std::size_t>(std::min<std::uint64_t>(total, runBlock));
    AtomicFile output;
    if (!output.Open(outputPath))
        return fail(RunResult::Failed, FileFault::CantOpen, outputPath, output.Error());
    // Whole blocks go straight to the system, without a copy through the stream's buffer.
    std::setvbuf(output.Stream(), nullptr, _IONBF, 0);
    WavHeader header = input.Header();
    header.SetDataSize(static_cast<std::uint32_t>(bytes));
    // Extensible PCM goes out as plain PCM: the 16-byte "fmt " chunk written has no
    // room for the extension that tag 0xFFFE requires.
    if (header.IsExtensiblePcm())
        header.SetFormatTag(1);
    errno = 0;
    if (!header.WriteWavHeader(output.Stream()))
        return fail(RunResult::Failed, FileFault::CantWrite, outputPath, errno ? errno : EIO);

    try {
        // A pass-through (one tap of exactly 1) with nobody to see the samples writes the
        // bytes as they were read: a decoded sample never lies outside its range, so none
        // is clamped and each comes back as it was. Only the last sample goes through
        // the filter, for the state it keeps, so no block of samples is needed.
        const bool copies = !observer && filter.Length() == 1 && filter.Coef(0) == 1.0;
        BlockWork work;
        work.samples.resize(copies ? 1 : blockSamples);
        if (observer) {
            work.inputs.resize(blockSamples);
            work.flags.resize(blockSamples);
            work.clamped.reserve(blockSamples);
            observer->OnRunStart(input.Header(), total);
        }
        BlockPipeline pipeline(input.FileDescriptor(), input.DataStart(), bytes,
                               runBlock * static_cast<std::size_t>(width), output);
        for (std::uint64_t done = 0; done < total;) {
            if (progress && !progress(done, total))
                return fail(RunResult::Cancelled, FileFault::None, "");
            std::size_t size = 0;
            std::uint8_t* block = pipeline.Next(size);
            if (!block && pipeline.WriteFailed())
                return fail(RunResult::Failed, FileFault::CantWrite, outputPath,
                            pipeline.WriteError());
            // The file is shorter than when it was opened, or cannot be read: what
            // remains is not the file whose information was shown.
            if (!block)
                return fail(RunResult::Refused, FileFault::CantOpen, input.Path(),
                            pipeline.ReadError());
            const std::size_t n = size / static_cast<std::size_t>(width);
            if (copies) {
                done += n;
                if (done == total)
                    FilterBlock(filter, block + (n - 1) * static_cast<std::size_t>(width), 1, width,
                                work, nullptr, nullptr, done - 1);
                continue;
            }
            std::size_t first = 0;
            const std::size_t clamped =
                FilterBlock(filter, block, n, width, work, &first, observer, done);
            if (clamped > 0 && outcome.clip.count == 0)
                outcome.clip.first = done + first;
            outcome.clip.count += clamped;
            done += n;
        }
        if (!pipeline.Finish())
            return fail(RunResult::Failed, FileFault::CantWrite, outputPath, pipeline.WriteError());
    } catch (const std::bad_alloc&) {
        return fail(RunResult::Failed, FileFault::NoMemory, input.Path());
    }
    // A data chunk of odd size is followed by a pad byte, which the RIFF size counts.
    const std::uint8_t pad = 0;
    if (bytes % 2 != 0 && !output.Write(&pad, 1))
        return fail(RunResult::Failed, FileFault::CantWrite, outputPath, output.Error());
    if (progress && !progress(total, total))
        return fail(RunResult::Cancelled, FileFault::None, "");
    outcome.result = RunResult::Done;
    outcome.samples = total;
    // Told only of data already on the disk: what remains (the name, the rename) seldom
    // fails, and a failed sync is not reported after a completion.
    if (beforeCommit && !output.Sync()) {
        outcome.samples = 0;
        return fail(RunResult::Failed, FileFault::CantWrite, outputPath, output.Error());
    }
    if (beforeCommit && !beforeCommit(outcome))
        return fail(RunResult::Cancelled, FileFault::None, "");
    if (!output.Commit()) {
        outcome.samples = 0;
        return fail(RunResult::Failed, FileFault::CantWrite, outputPath, output.Error());
    }
    return outcome;
}

FileRunOutcome FilterWavFile(CStreamFilter& filter, const std::string& inputPath,
                             const std::string& outputPath, const RunProgress& progress,
                             IRunObserver* observer)
{
    WavInput input;
    if (!input.Open(inputPath)) {
        FileRunOutcome outcome;
        outcome.result = RunResult::Refused;
        outcome.fault = input.Fault();
        outcome.faultPath = inputPath;
        outcome.systemError = input.SystemError();
        outcome.input = input.Header();
        return outcome;
    }
    return FilterWavFile(filter, input, outputPath, progress, observer);
}

} // namespace ravelin
