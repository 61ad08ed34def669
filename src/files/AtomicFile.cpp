#include "files/AtomicFile.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace ravelin {

namespace {

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Creates a new file named prefix plus six random characters, as mkstemp does, but
// with the mode any new file gets here (the umask, a default ACL): the kernel applies
// them, so the process-wide umask is never read by setting it.
int CreateUnique(const std::string& prefix, std::string& path)
{
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random(
        std::random_device{}() ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix;
        for (int i = 0; i < 6; ++i)
            candidate += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            path = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

} // namespace

AtomicFile::~AtomicFile()
{
    Discard();
}

bool AtomicFile::Open(const std::string& targetPath)
{
    Discard();
    m_failed = false;
    m_target = targetPath;
    struct stat st {};
    if (::lstat(targetPath.c_str(), &st) == 0) {
        // A link is followed, so the file it names gets the new content and the link
        // stays; a link that leads nowhere is refused rather than replaced.
        if (S_ISLNK(st.st_mode)) {
            char* real = ::realpath(targetPath.c_str(), nullptr);
            if (!real)
                return false;
            m_target = real;
            std::free(real);
            if (::stat(m_target.c_str(), &st) != 0)
                return false;
        }
        // Renaming over a device, a FIFO or a folder would replace it by a plain file
        // (as root even /dev/null): only regular files are overwritten.
        if (!S_ISREG(st.st_mode))
            return false;
    }
    const auto slash = m_target.find_last_of('/');
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (name.empty())
        return false;
    // Shortened so that "." + name + ".XXXXXX" stays within the file-name limit.
    const int fd = CreateUnique(FolderOf(m_target) + "/." + name.substr(0, 200) + ".", m_temp);
    if (fd < 0)
        return false;
    // The mode this new file got is the one a new target gets; the data stays private
    // until Commit. A file system without modes (vfat, some FUSE mounts) refuses the
    // change, which is no reason to refuse the save.
    struct stat created {};
    m_newFileMode = ::fstat(fd, &created) == 0 ? created.st_mode & 07777 : 0644;
    ::fchmod(fd, 0600);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        ::unlink(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    return true;
}

bool AtomicFile::Write(const void* data, std::size_t size)
{
    if (!m_file || m_failed)
        return false;
    if (size > 0 && std::fwrite(data, 1, size, m_file) != size)
        m_failed = true;
    return !m_failed;
}

bool AtomicFile::Commit()
{
    if (!m_file)
        return false;
    bool ok = !m_failed && std::fflush(m_file) == 0 && !std::ferror(m_file);
    // A replaced file keeps its owner and mode where the file system allows it.
    struct stat old {};
    const bool replacing = ::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (ok && replacing && ::fchown(::fileno(m_file), old.st_uid, old.st_gid) != 0) {
        // Not ours to give back to its owner: it stays ours, as any save would.
    }
    if (ok && ::fchmod(::fileno(m_file), replacing ? old.st_mode & 07777 : m_newFileMode) != 0) {
        // No modes here (vfat, some FUSE mounts): the content is what the user saves.
    }
    ok = ok && ::fsync(::fileno(m_file)) == 0;
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    ok = ok && std::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    m_temp.clear();
    // Makes the rename itself durable. The new content is already in place, so a
    // failure here is not reported as a failed save.
    const int dir = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void AtomicFile::Discard()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

} // namespace ravelin
