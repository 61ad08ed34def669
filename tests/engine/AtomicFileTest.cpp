// The atomic output's promises that no file shows afterwards, seen through the system
// calls it makes: the data is synced once, with its final mode, before the rename, a
// failing sync fails the save, the process-wide umask is never touched, a file system
// that keeps no modes or owners does not fail the save, and a process killed at any
// moment leaves no temporary file. The calls are caught by defining them here: the
// program's objects link against these first.
#include "files/AtomicFile.h"

#include "support/TestSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ravelin {
namespace {

// What the calls below do while a test has armed them; idle, they only pass through.
struct Seams {
    bool armed = false;
    int failSync = 0;  // errno for a sync of a regular file, 0 to let it run
    int failModes = 0; // errno for fchmod and fchown
    int umaskCalls = 0;
    bool refuseUnnamed = false; // an open for an unnamed file fails as on vfat
    std::function<void(int fd)> onFileSync = [](int) {}, onFolderSync = [](int) {};
    std::function<void()> beforeRename = [] {};
};
Seams g_seams;

template <typename F> F Real(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

bool IsFolder(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

// The bytes behind fd, which may be open for writing only.
std::string Contents(int fd)
{
    return test::ReadText("/proc/self/fd/" + std::to_string(fd));
}

} // namespace
} // namespace ravelin

using ravelin::g_seams;

extern "C" int fsync(int fd)
{
    if (g_seams.armed) {
        if (ravelin::IsFolder(fd)) {
            g_seams.onFolderSync(fd);
        } else {
            g_seams.onFileSync(fd);
            if (g_seams.failSync) {
                errno = g_seams.failSync;
                return -1;
            }
        }
    }
    static const auto real = ravelin::Real<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" mode_t umask(mode_t mask) noexcept
{
    if (g_seams.armed)
        ++g_seams.umaskCalls;
    static const auto real = ravelin::Real<mode_t (*)(mode_t)>("umask");
    return real(mask);
}

extern "C" int fchmod(int fd, mode_t mode) noexcept
{
    if (g_seams.armed && g_seams.failModes) {
        errno = g_seams.failModes;
        return -1;
    }
    static const auto real = ravelin::Real<int (*)(int, mode_t)>("fchmod");
    return real(fd, mode);
}

extern "C" int fchown(int fd, uid_t owner, gid_t group) noexcept
{
    if (g_seams.armed && g_seams.failModes) {
        errno = g_seams.failModes;
        return -1;
    }
    static const auto real = ravelin::Real<int (*)(int, uid_t, gid_t)>("fchown");
    return real(fd, owner, group);
}

extern "C" int open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) { // as glibc reads it
        std::va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (g_seams.armed && g_seams.refuseUnnamed && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    static const auto real = ravelin::Real<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    if (g_seams.armed)
        g_seams.beforeRename();
    static const auto real = ravelin::Real<int (*)(const char*, const char*)>("rename");
    return real(from, to);
}

namespace ravelin {
namespace {

using namespace test;

class AtomicOutput : public testing::Test {
  protected:
    void SetUp() override { WriteFile(target, {'o', 'l', 'd'}); }
    void TearDown() override { g_seams = Seams(); }

    // Saves "new" over the target with the seams armed; Commit's answer.
    bool Save()
    {
        g_seams.armed = true;
        AtomicFile file;
        const bool committed = file.Open(target) && file.Write("new", 3) && file.Commit();
        g_seams.armed = false;
        return committed;
    }

    const TempDir dir;
    const std::string target = dir / "out.txt";
};

// One sync makes the data and the mode the target will have durable before the rename,
// whether the caller seals the file first (to tell of the save) or Commit does; data
// written after a seal is synced again. The folder is not synced after the rename.
TEST_F(AtomicOutput, SyncsTheDataOnceWithItsModeBeforeTheRename)
{
    ::chmod(target.c_str(), 0604);
    std::vector<std::string> seen;
    g_seams.onFileSync = [&](int fd) {
        struct stat st {};
        ::fstat(fd, &st);
        seen.push_back("file " + Contents(fd) + " mode " + std::to_string(st.st_mode & 07777) +
                       ", target " + ReadText(target));
    };
    g_seams.onFolderSync = [&](int) { seen.push_back("folder"); };
    const std::string sealed = "file new mode " + std::to_string(0604) + ", target old";
    ASSERT_TRUE(Save());
    EXPECT_EQ(seen, std::vector<std::string>{sealed});

    seen.clear();
    WriteFile(target, {'o', 'l', 'd'});
    g_seams.armed = true;
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(target) && file.Write("new", 3) && file.Sync() && file.Sync());
        EXPECT_EQ(ReadText(target), "old");
        EXPECT_TRUE(file.Commit());
    }
    EXPECT_EQ(seen, std::vector<std::string>{sealed});

    seen.clear();
    WriteFile(target, {'o', 'l', 'd'});
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(target) && file.Write("ne", 2) && file.Sync() && file.Write("w", 1));
        EXPECT_TRUE(file.Commit());
    }
    g_seams.armed = false;
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "file ne mode " + std::to_string(0604) + ", target old", sealed}));
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
}

// A failing sync fails the save and leaves the target; vfat and some FUSE mounts refuse
// modes and owners, which does not keep the content from being saved.
TEST_F(AtomicOutput, AFailingSyncFailsTheSaveRefusedModesAndOwnersDoNot)
{
    g_seams.failSync = EIO;
    EXPECT_FALSE(Save());
    EXPECT_EQ(ReadText(target), "old");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
    g_seams = Seams();
    g_seams.failModes = EPERM;
    EXPECT_TRUE(Save());
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
}

// A new file gets the mode the umask gives any new file, a replaced one keeps its own;
// neither is learnt by changing the umask, which Qt's threads may rely on meanwhile.
TEST_F(AtomicOutput, ModesWithoutTouchingTheUmask)
{
    const mode_t previous = ::umask(027);
    ::chmod(target.c_str(), 0604);
    EXPECT_TRUE(Save());
    const std::string fresh = dir / "fresh.txt";
    {
        g_seams.armed = true;
        AtomicFile file;
        EXPECT_TRUE(file.Open(fresh));
        EXPECT_TRUE(file.Commit());
        g_seams.armed = false;
    }
    EXPECT_EQ(::umask(previous), 027);
    struct stat replaced {
    }, created{};
    ASSERT_EQ(::stat(target.c_str(), &replaced), 0);
    ASSERT_EQ(::stat(fresh.c_str(), &created), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0604u);
    EXPECT_EQ(created.st_mode & 07777, 0640u);
    EXPECT_EQ(g_seams.umaskCalls, 0);
    EXPECT_EQ(ReadText(target), "new");
}

// Names as long as the file system allows (255 bytes), in ASCII and in UTF-8, new and
// replaced: the temporary name beside them must fit too.
TEST_F(AtomicOutput, TheLongestLegalNamesAreSaved)
{
    std::string japanese;
    for (int i = 0; i < 85; ++i)
        japanese += "あ";
    for (const std::string& name : {std::string(251, 'n') + ".wav", japanese})
        for (const std::string content : {"one", "two"}) {
            AtomicFile file;
            EXPECT_TRUE(file.Open(dir / name) && file.Write(content.data(), 3) && file.Commit())
                << name;
            EXPECT_EQ(ReadText(dir / name), content) << name;
        }
    EXPECT_EQ(dir.List().size(), 3u); // out.txt and the two names, nothing beside them
}

// Where a process is killed while it saves "new" over "old".
enum class Moment { MidWrite, BeforeRename };
struct Kill {
    int signal;
    Moment moment;
    bool unnamed; // the folder takes unnamed files (O_TMPFILE), else named ones
};

void PrintTo(const Kill& k, std::ostream* os)
{
    *os << strsignal(k.signal) << (k.moment == Moment::MidWrite ? " mid-write" : " before rename")
        << (k.unnamed ? ", unnamed" : ", named");
}

class KilledSave : public testing::TestWithParam<Kill> {};

// Killed at the chosen moment in a child process: the target keeps its old content and
// no temporary file is left, even by SIGKILL where the file has no name until Commit.
TEST_P(KilledSave, LeavesNoTemporaryFile)
{
    const Kill k = GetParam();
    const TempDir dir;
    const std::string target = dir / "out.txt";
    WriteFile(target, {'o', 'l', 'd'});
    if (k.unnamed) {
        const int probe = ::open(dir.Path().c_str(), O_TMPFILE | O_WRONLY, 0600);
        if (probe < 0)
            GTEST_SKIP() << "no unnamed files in " << dir.Path() << ": " << std::strerror(errno);
        ::close(probe);
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore{0, 0}; // an abort leaves no core file behind either
        ::setrlimit(RLIMIT_CORE, &noCore);
        g_seams = Seams();
        g_seams.armed = true;
        g_seams.refuseUnnamed = !k.unnamed;
        g_seams.beforeRename = [&k] { ::raise(k.signal); };
        AtomicFile file;
        if (!file.Open(target) || !file.Write("new", 3))
            ::_exit(2);
        if (k.moment == Moment::MidWrite)
            ::raise(k.signal);
        file.Commit();
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), k.signal); // ended by the signal, as without the cleanup
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
    EXPECT_EQ(ReadText(target), "old");
}

std::vector<Kill> Kills()
{
    std::vector<Kill> kills;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGABRT, SIGKILL})
        for (const Moment moment : {Moment::MidWrite, Moment::BeforeRename})
            for (const bool unnamed : {true, false})
                // Nothing cleans up after SIGKILL: only a file without a name is safe
                // from it. The name an unnamed file gets at Commit lasts as long as the
                // rename takes; a SIGKILL right then would leave it.
                if (signal != SIGKILL || (unnamed && moment == Moment::MidWrite))
                    kills.push_back({signal, moment, unnamed});
    return kills;
}

INSTANTIATE_TEST_SUITE_P(, KilledSave, testing::ValuesIn(Kills()),
                         [](const testing::TestParamInfo<Kill>& param) {
                             const Kill& k = param.param;
                             return std::string(sigabbrev_np(k.signal)) +
                                    (k.moment == Moment::MidWrite ? "MidWrite" : "BeforeRename") +
                                    (k.unnamed ? "Unnamed" : "Named");
                         });

// A finished scratch file and its folder are removed by the signals that remove an
// unfinished output, and only while they are registered.
TEST(RemovedOnSignal, GoesWithTheProcessOnlyWhileRegistered)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        for (const bool registered : {true, false}) {
            SCOPED_TRACE(std::string(sigabbrev_np(signal)) + (registered ? "" : " after release"));
            const TempDir dir;
            const std::string folder = dir / "scratch";
            ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
            const std::string scratch = folder + "/listen.wav";
            WriteFile(scratch, {'d', 'a', 't', 'a'});
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                // The folder first, so that its removal cannot rely on the order.
                auto folderRemoved = std::make_unique<RemovedOnSignal>(folder);
                auto removed = std::make_unique<RemovedOnSignal>(scratch);
                if (!registered) {
                    removed.reset();
                    folderRemoved.reset();
                }
                ::raise(signal);
                ::_exit(3);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
            EXPECT_EQ(WTERMSIG(status), signal);
            EXPECT_EQ(dir.List(), registered ? std::vector<std::string>{}
                                             : std::vector<std::string>{"scratch"});
            EXPECT_EQ(::access(scratch.c_str(), F_OK) == 0, !registered);
        }
}

// The kernel's protected-symlinks rule, which the program applies itself since it
// resolves the target's link: in a sticky, world-writable folder a link is followed
// only when the caller or the folder's owner owns it.
TEST(AtomicOutputLinks, StickyFolderFollowsOnlyTrustedLinks)
{
    const TempDir dir;
    const std::string sticky = dir / "tmp", victim = dir / "victim.txt";
    fs::create_directory(sticky);
    fs::permissions(sticky, fs::perms(01777));
    WriteFile(victim, {'o', 'l', 'd'});
    const std::string link = sticky + "/evil.wav";
    fs::create_symlink(victim, link);

    // The caller's own link is followed.
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(link) && file.Write("new", 3) && file.Commit());
        EXPECT_EQ(ReadText(victim), "new");
        EXPECT_TRUE(fs::is_symlink(link));
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "a link owned by another user needs root to be made";
    // Another user's link is refused, as the kernel would refuse to follow it...
    ASSERT_EQ(::lchown(link.c_str(), 65534, 65534), 0);
    {
        AtomicFile file;
        EXPECT_FALSE(file.Open(link));
        EXPECT_EQ(file.Error(), EACCES);
    }
    EXPECT_EQ(ReadText(victim), "new");
    EXPECT_EQ(fs::directory_iterator(sticky) == fs::directory_iterator(), false);
    // ...unless that user owns the folder too, or the folder is not both sticky and
    // world-writable.
    ASSERT_EQ(::chown(sticky.c_str(), 65534, 65534), 0);
    {
        AtomicFile file;
        EXPECT_TRUE(file.Open(link) && file.Write("3rd", 3) && file.Commit());
    }
    ASSERT_EQ(::chown(sticky.c_str(), 0, 0), 0);
    fs::permissions(sticky, fs::perms(0777));
    {
        AtomicFile file;
        EXPECT_TRUE(file.Open(link) && file.Write("4th", 3) && file.Commit());
    }
    EXPECT_EQ(ReadText(victim), "4th");
}

} // namespace
} // namespace ravelin
