#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ravelin {

enum class MessageIcon { None, Error, Information };

// What a file command needs from its user: file names and message boxes.
// The desktop program answers with dialogs, the command-line tool with its
// arguments and streams, the tests with scripted answers. All texts are UTF-8.
class IUserPrompts {
  public:
    virtual ~IUserPrompts() = default;

    // filter uses the "Name(*.ext)|*.ext|...||" form. An empty result means cancelled.
    virtual std::optional<std::string> AskOpenPath(const std::string& title,
                                                   const std::string& filter) = 0;
    // The implementation asks before overwriting an existing file.
    virtual std::optional<std::string> AskSavePath(const std::string& title,
                                                   const std::string& filter) = 0;

    // A modal message. An empty caption means the program's default caption.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;

    // Called now and then while a long run filters; done <= total samples.
    // Returning false cancels the run: nothing is written.
    virtual bool Progress(std::uint64_t done, std::uint64_t total)
    {
        (void)done;
        (void)total;
        return true;
    }

    // How a long job tells its progress (done <= total samples); false back means the
    // user cancelled, and the job stops.
    using WorkProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
    using ProgressWork = std::function<void(const WorkProgress& progress)>;
    // Runs work to its end, showing its progress. Here work runs on the caller's thread
    // and its progress goes to Progress(); the desktop program runs it on a thread of its
    // own, so that the windows keep painting. work then touches nothing of the windows.
    virtual void RunWithProgress(const ProgressWork& work)
    {
        work([this](std::uint64_t done, std::uint64_t total) { return Progress(done, total); });
    }
};

} // namespace ravelin
