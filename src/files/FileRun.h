#pragma once

#include "files/WavHeader.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ravelin {

class CStreamFilter;

// How a file run or a text export ended; the prompts have already told the user.
enum class RunResult {
    Done,      // the output was written
    Cancelled, // the user cancelled a dialog or the progress; nothing was written
    Refused,   // the input was rejected (cannot open, wrong format, not mono, ...)
    Failed,    // the output could not be written; any existing file is untouched
};

// Samples per block of the streaming run: what it reads, filters and writes at a time.
inline constexpr std::size_t kFileRunBlock = std::size_t{1} << 16;

// The outputs that did not fit the sample range and were clamped to it.
struct ClipFigures {
    std::uint64_t count = 0; // how many
    std::uint64_t first = 0; // sample index of the first of them; 0 when count is 0
};

// Told done <= total samples before each block and once at the end. Returning false
// cancels the run (nothing is written) and it is not called again.
using RunProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// Sees every block of a file run as it goes, so that what is to be shown of the run
// (waveform summaries, clip positions, spectra) is made in the same single pass.
class IRunObserver {
  public:
    virtual void OnRunStart(const WavHeader& header, std::uint64_t totalSamples) = 0;
    // Samples first..first+n-1: as read (int32, 8-bit centred on 0), as written (the
    // same scale), and the block-relative indices of the outputs the run clamped.
    virtual void OnRunBlock(std::uint64_t first, const std::int32_t* in, const std::int32_t* out,
                            std::size_t n, const std::uint32_t* clamped,
                            std::size_t clampedCount) = 0;

  protected:
    ~IRunObserver() = default;
};

// Passes every call on to several observers in the order they were added.
class RunObserverList final : public IRunObserver {
  public:
    void Add(IRunObserver& observer) { m_observers.push_back(&observer); }
    void OnRunStart(const WavHeader& header, std::uint64_t totalSamples) override;
    void OnRunBlock(std::uint64_t first, const std::int32_t* in, const std::int32_t* out,
                    std::size_t n, const std::uint32_t* clamped, std::size_t clampedCount) override;

  private:
    std::vector<IRunObserver*> m_observers;
};

// How a streaming run ended.
struct FileRunOutcome {
    RunResult result = RunResult::Failed;
    FileFault fault = FileFault::None; // Refused, Failed: why
    std::string faultPath;             // Refused, Failed: the file concerned
    std::uint64_t samples = 0;         // samples written (Done)
    ClipFigures clip;                  // Done: what was clamped
    WavHeader input;                   // the input's fields: the clip report's rate
};

// Filters the samples of an opened input into a WAV file at outputPath with the same
// format fields, block by block in constant memory, through a temporary file that
// replaces the target only when every byte was written and synced (the input may be
// the output). A file cut short while it is read, a read error, a full disk or a
// cancel leave any existing output untouched and no temporary file. The filter keeps
// its state between calls. The observer, when given, sees the start and every block
// filtered (also of a run that then fails: only a Done result makes them final).
FileRunOutcome FilterWavFile(CStreamFilter& filter, WavInput& input, const std::string& outputPath,
                             const RunProgress& progress = {}, IRunObserver* observer = nullptr);

// The same after opening inputPath; a refused input gives Refused with its fault.
FileRunOutcome FilterWavFile(CStreamFilter& filter, const std::string& inputPath,
                             const std::string& outputPath, const RunProgress& progress = {},
                             IRunObserver* observer = nullptr);

} // namespace ravelin
