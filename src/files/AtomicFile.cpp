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

CAtomicFile::~CAtomicFile()
{
    Discard();
}

bool CAtomicFile::Open(const std::string& targetPath)
{
    Discard();
    m_target = targetPath;
    m_failed = false;
    const auto slash = targetPath.find_last_of('/');
    const std::string name = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    if (name.empty())
        return false;
    std::string pattern = FolderOf(targetPath) + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    m_temp = pattern;
    m_pFile = ::fdopen(fd, "wb");
    if (!m_pFile) {
        ::close(fd);
        ::unlink(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    return true;
}

bool CAtomicFile::Write(const void* data, std::size_t size)
{
    if (!m_pFile || m_failed)
        return false;
    if (size > 0 && std::fwrite(data, 1, size, m_pFile) != size)
        m_failed = true;
    return !m_failed;
}

bool CAtomicFile::Commit()
{
    if (!m_pFile)
        return false;
    bool ok = !m_failed && std::fflush(m_pFile) == 0 && !std::ferror(m_pFile);
    ok = ok && ::fchmod(::fileno(m_pFile), NewFileMode(m_target)) == 0;
    ok = ok && ::fsync(::fileno(m_pFile)) == 0;
    ok = (std::fclose(m_pFile) == 0) && ok;
    m_pFile = nullptr;
    ok = ok && std::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
        return false;
    }
    m_temp.clear();
    return true;
}

void CAtomicFile::Discard()
{
    if (m_pFile) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

} // namespace ravelin
