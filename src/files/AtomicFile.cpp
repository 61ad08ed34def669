#include "files/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

// The names of the temporary files that exist right now, for the signal handler to
// remove. A slot is written only while it is not armed, and the handler reads armed
// slots only, so no lock is needed and the handler stays async-signal-safe.
struct CleanupSlot {
    std::atomic<int> state{0}; // 0 free, 1 being filled or emptied, 2 armed
    char path[PATH_MAX]{};
};
constexpr int kCleanupSlots = 16;
CleanupSlot g_cleanup[kCleanupSlots];
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void RemoveTemporariesAndDie(int sig)
{
    for (auto& slot : g_cleanup)
        if (slot.state.load() == 2)
            ::unlink(slot.path);
    // Then the folders, now that the files in them are gone.
    for (auto& slot : g_cleanup)
        if (slot.state.load() == 2)
            ::rmdir(slot.path);
    // The action is the default again (SA_RESETHAND): the signal ends the process as
    // it would have without this handler, with the same status.
    ::raise(sig);
}

// Takes over the signals that end a process by default, and the abort of a failed
// check in a library; one the program ignores or handles itself is left as it is.
void InstallCleanup()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGABRT}) {
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) ||
                old.sa_handler != SIG_DFL)
                continue;
            struct sigaction action {};
            action.sa_handler = RemoveTemporariesAndDie;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESETHAND;
            ::sigaction(sig, &action, nullptr);
        }
    });
}

// -1 when every slot is taken (the file is then only removed by Discard).
int ArmCleanup(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    InstallCleanup();
    for (int i = 0; i < kCleanupSlots; ++i) {
        int free = 0;
        if (g_cleanup[i].state.compare_exchange_strong(free, 1)) {
            std::memcpy(g_cleanup[i].path, path.c_str(), path.size() + 1);
            g_cleanup[i].state.store(2);
            return i;
        }
    }
    return -1;
}

void DisarmCleanup(int& slot)
{
    if (slot >= 0)
        g_cleanup[slot].state.store(0);
    slot = -1;
}

// The signals that run the handler are held back while a name is created and armed,
// so that none can come between the two.
class HoldSignals {
  public:
    HoldSignals()
    {
        sigset_t set;
        sigemptyset(&set);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGABRT})
            sigaddset(&set, sig);
        ::pthread_sigmask(SIG_BLOCK, &set, &m_old);
    }
    ~HoldSignals() { ::pthread_sigmask(SIG_SETMASK, &m_old, nullptr); }
    HoldSignals(const HoldSignals&) = delete;
    HoldSignals& operator=(const HoldSignals&) = delete;

  private:
    sigset_t m_old;
};

// Gives a new name, prefix plus six random characters as mkstemp makes them, through
// make(candidate), which returns 0 or an errno value; EEXIST tries another name.
template <typename Make> int MakeUnique(const std::string& prefix, std::string& path, Make make)
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
        const int error = make(candidate);
        if (error == 0) {
            path = candidate;
            return 0;
        }
        if (error != EEXIST)
            return error;
    }
    return EEXIST;
}

// The kernel's protected-symlinks rule: in a sticky, world-writable folder, a link is
// followed only when its owner is the caller or the folder's owner. The program
// resolves the target's link itself, so the kernel never applies the rule there.
bool MayFollow(const std::string& link, const struct stat& linkStat)
{
    struct stat folder {};
    if (::stat(FolderOf(link).c_str(), &folder) != 0)
        return false;
    const bool sticky = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !sticky || linkStat.st_uid == ::geteuid() || linkStat.st_uid == folder.st_uid;
}

// The file a path leads to, following links one at a time; errno-style code on failure.
int Resolve(std::string& path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            return errno == ENOENT && hops == 0 ? 0 : errno; // a new file, or a dangling link
        if (!S_ISLNK(st.st_mode)) {
            if (S_ISDIR(st.st_mode))
                return EISDIR;
            // Renaming over a device, a FIFO or a folder would replace it by a plain
            // file (as root even /dev/null): only regular files are overwritten.
            return S_ISREG(st.st_mode) ? 0 : kNotRegularFile;
        }
        if (!MayFollow(path, st))
            return EACCES;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return errno;
        if (static_cast<std::size_t>(n) >= target.size())
            return ENAMETOOLONG;
        target.resize(static_cast<std::size_t>(n));
        if (!target.starts_with('/'))
            target.insert(0, FolderOf(path).append("/"));
        path = std::move(target);
    }
    return ELOOP;
}

// An unnamed file in folder (O_TMPFILE), -1 where the file system or the kernel has
// none, or where /proc, through which it gets its name, is missing.
int OpenUnnamed(const std::string& folder)
{
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    if (::access(("/proc/self/fd/" + std::to_string(fd)).c_str(), F_OK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
#else
    (void)folder;
    return -1;
#endif
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
    m_sealed = false;
    m_error = 0;
    m_target = targetPath;
    // A link is followed, so the file it names gets the new content and the link
    // stays; a link that leads nowhere is refused rather than replaced.
    if (const int error = Resolve(m_target); error != 0) {
        m_error = error;
        return false;
    }
    const auto slash = m_target.find_last_of('/');
    const std::string name = slash == std::string::npos ? m_target : m_target.substr(slash + 1);
    if (name.empty()) {
        m_error = EISDIR;
        return false;
    }
    m_prefix = FolderOf(m_target) + "/." + name.substr(0, 200) + ".";
    int fd = OpenUnnamed(FolderOf(m_target));
    if (fd < 0) {
        // Shortened so that "." + name + ".XXXXXX" stays within the file-name limit.
        // The mode is the one any new file gets here (the umask, a default ACL): the
        // kernel applies them, so the process-wide umask is never read by setting it.
        const HoldSignals hold;
        const int error = MakeUnique(m_prefix, m_temp, [&fd](const std::string& candidate) {
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return fd >= 0 ? 0 : errno;
        });
        if (error != 0) {
            m_error = error;
            return false;
        }
        m_cleanupSlot = ArmCleanup(m_temp);
    }
    // The mode this new file got is the one a new target gets; the data stays private
    // until Commit. A file system without modes (vfat, some FUSE mounts) refuses the
    // change, which is no reason to refuse the save.
    struct stat created {};
    m_newFileMode = ::fstat(fd, &created) == 0 ? created.st_mode & 07777 : 0644;
    ::fchmod(fd, 0600);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        m_error = errno;
        ::close(fd);
        Discard();
        return false;
    }
    return true;
}

bool AtomicFile::Write(const void* data, std::size_t size)
{
    if (!m_file || m_failed)
        return false;
    errno = 0;
    if (size > 0)
        m_sealed = false;
    if (size > 0 && std::fwrite(data, 1, size, m_file) != size) {
        m_failed = true;
        m_error = errno ? errno : EIO;
    }
    return !m_failed;
}

bool AtomicFile::Sync()
{
    if (!m_file || m_failed)
        return false;
    if (m_sealed)
        return true;
    errno = 0;
    if (std::fflush(m_file) != 0 || std::ferror(m_file)) {
        m_failed = true;
        m_error = errno ? errno : EIO;
        return false;
    }
    const int fd = ::fileno(m_file);
    // A replaced file keeps its owner and mode where the file system allows it. They are
    // given before the one sync, which then makes them durable with the data: the data
    // is complete, so it need no longer be private.
    struct stat old {};
    const bool replacing = ::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not ours to give back to its owner: it stays ours, as any save would.
    }
    if (::fchmod(fd, replacing ? old.st_mode & 07777 : m_newFileMode) != 0) {
        // No modes here (vfat, some FUSE mounts): the content is what the user saves.
    }
    errno = 0;
    if (::fsync(fd) != 0) {
        m_failed = true;
        m_error = errno ? errno : EIO;
        return false;
    }
    m_sealed = true;
    return true;
}

bool AtomicFile::Commit()
{
    if (!m_file)
        return false;
    const auto step = [this](bool ok) {
        if (!ok && m_error == 0)
            m_error = errno ? errno : EIO;
        return ok;
    };
    errno = 0;
    bool ok = !m_failed && (m_sealed || Sync());
    const int fd = ::fileno(m_file);
    // The unnamed file gets its name only now, complete and synced, and keeps it for
    // no longer than the rename takes.
    if (ok && m_temp.empty()) {
        const HoldSignals hold;
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        const int error = MakeUnique(m_prefix, m_temp, [&self](const std::string& candidate) {
            return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(),
                            AT_SYMLINK_FOLLOW) == 0
                       ? 0
                       : errno;
        });
        if (error != 0) {
            m_error = error;
            m_temp.clear();
            ok = false;
        } else {
            m_cleanupSlot = ArmCleanup(m_temp);
        }
    }
    ok = step(std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    ok = ok && step(std::rename(m_temp.c_str(), m_target.c_str()) == 0);
    if (!ok) {
        Discard();
        return false;
    }
    DisarmCleanup(m_cleanupSlot);
    m_temp.clear();
    // The folder is not synced after the rename: that would only make the rename itself
    // durable before the program goes on, at the price of another wait for the disk on
    // every save. Atomicity does not need it, since the data was durable before the
    // rename: a crash leaves the old file or the complete new one, never a part, and the
    // file system writes the rename out on its own within seconds.
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
    DisarmCleanup(m_cleanupSlot);
}

RemovedOnSignal::RemovedOnSignal(const std::string& path)
{
    const HoldSignals hold;
    m_slot = ArmCleanup(path);
}

RemovedOnSignal::~RemovedOnSignal()
{
    DisarmCleanup(m_slot);
}

} // namespace ravelin
