// The atomic output's promises that no file shows afterwards, seen through the system
// calls it makes: the data is synced before the rename and the folder after it, a
// failing sync fails the save, the process-wide umask is never touched, and a file
// system that keeps no modes or owners does not fail the save. The calls are caught
// by defining them here: the program's objects link against these first.
#include "files/AtomicFile.h"

#include "support/TestSupport.h"

#include <cerrno>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ravelin {
namespace {

// What the calls below do while a test has armed them; idle, they only pass through.
struct Seams {
    bool armed = false;
    int failSync = 0;  // errno for a sync of a regular file, 0 to let it run
    int failModes = 0; // errno for fchmod and fchown
    int umaskCalls = 0;
    std::function<void(int fd)> onFileSync = [](int) {}, onFolderSync = [](int) {};
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

TEST_F(AtomicOutput, SyncsTheDataBeforeTheRenameAndTheFolderAfterIt)
{
    std::vector<std::string> seen;
    g_seams.onFileSync = [&](int fd) {
        seen.push_back("file " + Contents(fd) + ", target " + ReadText(target));
    };
    g_seams.onFolderSync = [&](int) { seen.push_back("folder, target " + ReadText(target)); };
    ASSERT_TRUE(Save());
    EXPECT_EQ(seen, (std::vector<std::string>{"file new, target old", "folder, target new"}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
}

TEST_F(AtomicOutput, AFailingSyncFailsTheSaveAndLeavesTheTarget)
{
    g_seams.failSync = EIO;
    EXPECT_FALSE(Save());
    EXPECT_EQ(ReadText(target), "old");
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

// vfat and some FUSE mounts refuse modes and owners: the content is still saved.
TEST_F(AtomicOutput, RefusedModesAndOwnersDoNotFailTheSave)
{
    g_seams.failModes = EPERM;
    EXPECT_TRUE(Save());
    EXPECT_EQ(ReadText(target), "new");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"out.txt"});
}

} // namespace
} // namespace ravelin
