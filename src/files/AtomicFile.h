#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>

namespace ravelin {

// The reason for a failure that has no errno value of its own: the path names a
// FIFO, a device or some other thing that is not a regular file.
inline constexpr int kNotRegularFile = -1;

// An output file that appears at its path only when every write succeeded:
// the data goes to a temporary file in the target's folder, which is flushed,
// synced and renamed over the target by Commit. Until then an existing file at
// the target stays untouched, and a destroyed, uncommitted file leaves nothing behind.
// Where the file system allows it the temporary file has no name until Commit, so
// that even a killed process leaves nothing; otherwise its name is removed when
// SIGINT, SIGTERM, SIGHUP or an abort (SIGABRT) ends the process.
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. False when the folder cannot take it, or when the
    // target exists and is not a regular file (a link is followed to the file it
    // names, which is then the one replaced; a dangling link is refused, and so is a
    // link in a sticky, world-writable folder such as /tmp that neither the caller nor
    // the folder's owner owns, as the kernel's protected-symlinks rule would).
    bool Open(const std::string& targetPath);

    // The stream to write to; valid between a successful Open and Commit.
    std::FILE* Stream() const { return m_file; }

    // Writes all bytes; false on any short write.
    bool Write(const void* data, std::size_t size);

    // Seals the complete file: gives it the owner and mode it will have at the target,
    // flushes and syncs it, so that a caller can tell of a saved file before Commit
    // names it, and Commit has no second sync to make. Nothing is to be written after
    // it (a Write would make Commit sync again). False (and the file failed) when the
    // flush or the sync failed.
    bool Sync();

    // Seals the file as Sync does unless that was done, closes it and renames it over
    // the target. False (and the temporary file removed) when any of these or an
    // earlier write failed.
    bool Commit();

    // Closes and removes the temporary file.
    void Discard();

    // Why the last Open, Write or Commit failed: an errno value, kNotRegularFile, or 0.
    int Error() const { return m_error; }

  private:
    std::FILE* m_file = nullptr;
    std::string m_target;
    std::string m_prefix;   // of the temporary file's name
    std::string m_temp;     // empty while the temporary file has no name
    int m_cleanupSlot = -1; // where m_temp waits to be removed by a signal
    int m_error = 0;
    mode_t m_newFileMode = 0644; // what the temporary file got when it was created
    bool m_failed = false;
    bool m_sealed = false; // synced with its final owner and mode, nothing written since
};

// A finished file of the program's own, such as a result kept for the session, or the
// temporary folder that holds it: SIGINT, SIGTERM, SIGHUP or an abort remove it as they
// end the process, as they do an unfinished output (a folder once the files in it are
// gone), so that a killed program leaves no large scratch file behind. Removing it
// otherwise stays its owner's job.
class RemovedOnSignal {
  public:
    explicit RemovedOnSignal(const std::string& path);
    ~RemovedOnSignal();
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

  private:
    int m_slot = -1; // -1 when every slot was taken: then nothing removes it
};

} // namespace ravelin
