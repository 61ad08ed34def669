#pragma once

#include "files/WavHeader.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace ravelin {

class CRavelinDoc;
class CStreamFilter;
class IUserPrompts;

// How a file run or a text export ended; the prompts have already told the user.
enum class RunResult {
    Done,      // the output was written
    Cancelled, // the user cancelled a dialog or the progress; nothing was written
    Refused,   // the input was rejected (cannot open, wrong format, not mono, ...)
    Failed,    // the output could not be written; any existing file is untouched
};

// Samples per block of the streaming run: what it filters at a time, and how often it
// tells its progress; it reads and writes a block or a chunk of blocks at a time.
inline constexpr std::size_t kFileRunBlock = std::size_t{1} << 16;
// Sample data of at least this many bytes is read ahead and written behind by threads
// of their own, a chunk of several blocks at a time; shorter data is read, filtered and
// written by the caller's thread alone, through one block's buffer.
inline constexpr std::uint64_t kFileRunThreadedBytes = std::uint64_t{32} << 20;

// The outputs that did not fit the sample range and were clamped to it.
struct ClipFigures {
    std::uint64_t count = 0; // how many
    std::uint64_t first = 0; // sample index of the first of them; 0 when count is 0
};

// Told done <= total samples before each block and once at the end. Returning false
// cancels the run (nothing is written) and it is not called again.
using RunProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// A WAV file opened for the file run, its header read and checked. The run reads the
// file it opened, whatever happens to the name afterwards.
class WavInput {
  public:
    WavInput();
    ~WavInput();
    WavInput(const WavInput&) = delete;
    WavInput& operator=(const WavInput&) = delete;

    // Opens a regular file (anything else is refused at once, so a FIFO cannot hang
    // the run) and reads its header. False when it cannot be filtered: Error() then
    // holds the message to show, which for a file of the wrong channel count or
    // sample width includes the information text.
    bool Open(const std::string& path);

    const std::string& Path() const { return m_path; }
    const WavHeader& Header() const { return m_header; }
    // The text of the information box, one "\n"-ended line per field.
    const std::string& Information() const { return m_information; }
    const std::string& Error() const { return m_error; }

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
    bool Refuse(std::string message);

    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::string m_path;
    WavHeader m_header;
    std::string m_information;
    std::string m_error;
    int m_bytesPerSample = 0;
    std::uint64_t m_dataStart = 0;
    std::uint64_t m_dataBytes = 0;
};

// How a streaming run ended.
struct FileRunOutcome {
    RunResult result = RunResult::Failed;
    std::string message;         // Refused, Failed: the error text to show
    std::uint64_t samples = 0;   // samples written (Done)
    ClipFigures clip;            // Done: what was clamped
    std::int32_t sampleRate = 0; // of the input, for the clip report
};

// Filters the samples of an opened input into a WAV file at outputPath with the same
// format fields, block by block in constant memory, through a temporary file that
// replaces the target only when every byte was written and synced (the input may be
// the output). A file cut short while it is read, a read error, a full disk or a
// cancel leave any existing output untouched and no temporary file. The filter keeps
// its state between calls.
FileRunOutcome FilterWavFile(CStreamFilter& filter, WavInput& input, const std::string& outputPath,
                             const RunProgress& progress = {});

// The same after opening inputPath; a refused input gives Refused with its message.
FileRunOutcome FilterWavFile(CStreamFilter& filter, const std::string& inputPath,
                             const std::string& outputPath, const RunProgress& progress = {});

// The completion text: "ファイル保存が終了しました", followed, when samples were clamped,
// by a line saying how many and where the first was.
std::string CompletionText(const FileRunOutcome& outcome);

// What the file run tells its caller besides the result.
struct FileRunReport {
    std::string inputPath, outputPath; // as chosen; empty when not chosen
    ClipFigures clip;                  // Done: what was clamped
};

// The ID_RUN_FILE command: loads the chosen preset into doc.m_filter, asks for the
// input, shows its header information, asks for the output and writes the filtered
// WAV file. Sets doc.m_nRunMode to kRunFile for its duration and back to kRunIdle
// on every path.
RunResult RunFileFilter(CRavelinDoc& doc, IUserPrompts& prompts, FileRunReport* report = nullptr);

// The texts the run shows, for the callers that word their own dialogs.
namespace filerun {
inline constexpr const char* kOpenTitle = "モノラル*.wavの読み込み";
inline constexpr const char* kSaveTitle = "*.wavへの保存";
inline constexpr const char* kFilter = "wav Files(*.wav)|*.wav|All Files(*.*)|*.*||";
inline constexpr const char* kInfoCaption = "入力ファイル情報";
inline constexpr const char* kDoneText = "ファイル保存が終了しました";
inline constexpr const char* kFilterMemory = "error .... can't allocate memory for the filter\n";
} // namespace filerun

} // namespace ravelin
