#include "files/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
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

// The mode a newly created file would get, so the result looks like any other
// file the user saves (a temporary file starts private).
mode_t NewFileMode(const std::string& target)
{
    struct stat st{};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
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
    struct stat st{};
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
    std::string pattern = FolderOf(m_target) + "/." + name.substr(0, 200) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    m_temp = pattern;
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
    struct stat old{};
    if (ok && ::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
        ::fchown(::fileno(m_file), old.st_uid, old.st_gid) != 0) {
        // Not allowed to give the file back to its owner: it stays ours, as any save would.
    }
    ok = ok && ::fchmod(::fileno(m_file), NewFileMode(m_target)) == 0;
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
