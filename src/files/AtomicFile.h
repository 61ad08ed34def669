#pragma once

#include <cstdio>
#include <string>
#include <sys/types.h>

namespace ravelin {

// An output file that appears at its path only when every write succeeded:
// the data goes to a temporary file in the target's folder, which is flushed,
// synced and renamed over the target by Commit. Until then an existing file at
// the target stays untouched, and a destroyed, uncommitted file leaves nothing behind.
class AtomicFile {
  public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file. False when the folder cannot take it, or when the
    // target exists and is not a regular file (a link is followed to the file it
    // names, which is then the one replaced; a dangling link is refused).
    bool Open(const std::string& targetPath);

    // The stream to write to; valid between a successful Open and Commit.
    std::FILE* Stream() const { return m_file; }

    // Writes all bytes; false on any short write.
    bool Write(const void* data, std::size_t size);

    // Flushes, syncs, closes and renames over the target. False (and the temporary
    // file removed) when any of these or an earlier write failed.
    bool Commit();

    // Closes and removes the temporary file.
    void Discard();

  private:
    std::FILE* m_file = nullptr;
    std::string m_target;
    std::string m_temp;
    mode_t m_newFileMode = 0644; // what the temporary file got when it was created
    bool m_failed = false;
};

} // namespace ravelin
