// Faults that must lose nothing. The file run and the text export meet a full disk, a
// file-size limit, folders they may not write to, inputs that vanish, shrink or are no
// files at all. Each ends with one error message (or, where nothing is wrong with the
// output, a consistent result), never reports success for a file it did not write,
// leaves no partial or temporary file and never touches an existing output.
//
// Faults that change the process (a file-size limit, a private tmpfs mount, running as
// an unprivileged user so that permission bits apply even when the tests run as root)
// are set up in a forked child, which reports its findings through a pipe; a child
// that hangs is killed by an alarm and fails the test.

#include "engine/RavelinDoc.h"
#include "files/FileRun.h"
#include "files/TextExport.h"
#include "files/UserPrompts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <optional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ravelin {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// ---------------------------------------------------------------- files

std::string CantOpen(const std::string& path)
{
    return "error .... can't open the file [" + path + "]\n";
}
std::string CantWrite(const std::string& path)
{
    return "error .... can't write the file [" + path + "]\n";
}
std::string WrongFormat(const std::string& path)
{
    return "error .... found wrong WAVE format in the file [" + path + "]\n";
}

void Put16(Bytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v)
{
    Put16(b, static_cast<std::uint16_t>(v));
    Put16(b, static_cast<std::uint16_t>(v >> 16));
}
void PutTag(Bytes& b, const char* tag)
{
    b.insert(b.end(), tag, tag + 4);
}

// A canonical mono 16-bit file of n samples; declared overrides the data size field.
Bytes MonoWav16(std::size_t n, std::optional<std::uint32_t> declared = std::nullopt)
{
    Bytes b;
    const auto size = static_cast<std::uint32_t>(2 * n);
    PutTag(b, "RIFF");
    Put32(b, 36 + size);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, 44100);
    Put32(b, 88200);
    Put16(b, 2);
    Put16(b, 16);
    PutTag(b, "data");
    Put32(b, declared.value_or(size));
    for (std::size_t i = 0; i < n; ++i)
        Put16(b, static_cast<std::uint16_t>(i * 7919u));
    return b;
}

// The pass-through output of a file: the canonical header over its first samples.
Bytes PassThrough(const Bytes& wav, std::size_t sampleBytes)
{
    Bytes out(wav.begin(), wav.begin() + 44 + static_cast<long>(sampleBytes));
    const auto size = static_cast<std::uint32_t>(sampleBytes);
    for (int i = 0; i < 4; ++i) {
        out[4 + i] = static_cast<std::uint8_t>((36 + size) >> (8 * i));
        out[40 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return out;
}

void WriteBytes(const std::string& path, const Bytes& bytes, mode_t mode = 0644)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    }
    ASSERT_EQ(std::fclose(f), 0);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

std::optional<Bytes> ReadBytes(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    Bytes bytes;
    std::uint8_t buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
    return bytes;
}

Bytes Text(const char* text)
{
    return Bytes(text, text + std::strlen(text));
}

std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Join(const std::vector<std::string>& names)
{
    std::string s;
    for (const auto& n : names)
        s += (s.empty() ? "" : " ") + n;
    return "{" + s + "}";
}

// A private folder under the system's temporary folder, open to other users for
// reading so that a child running as "nobody" can reach the files in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "ravelin-fault.XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
        ::chmod(m_path.c_str(), 0755);
    }
    ~TempDir()
    {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(m_path, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec))
                ::chmod(it->path().c_str(), 0755);
        fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    std::string Sub(const std::string& name, mode_t mode = 0755) const
    {
        const std::string dir = *this / name;
        ::mkdir(dir.c_str(), 0700);
        ::chmod(dir.c_str(), mode);
        return dir;
    }

private:
    std::string m_path;
};

// ---------------------------------------------------------------- the prompts

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

// Answers the dialogs with fixed paths; the hooks run while a dialog would be open.
class ScriptedPrompts : public IUserPrompts {
public:
    ScriptedPrompts(std::string open, std::string save) : m_open(std::move(open)), m_save(std::move(save)) {}

    std::function<void()> whileOpenDialog;
    std::function<void()> whileSaveDialog;
    std::vector<Message> messages;

    std::optional<std::string> AskOpenPath(const std::string&, const std::string&) override
    {
        if (whileOpenDialog)
            whileOpenDialog();
        return m_open;
    }
    std::optional<std::string> AskSavePath(const std::string&, const std::string&) override
    {
        if (whileSaveDialog)
            whileSaveDialog();
        return m_save;
    }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        messages.push_back({text, caption, icon});
    }

private:
    std::string m_open;
    std::string m_save;
};

// What the user saw, for a failure report.
std::string Seen(const std::vector<Message>& messages)
{
    std::string s;
    for (const auto& m : messages) {
        s += "\n  [" + m.caption + "] " + m.text;
        if (m.icon == MessageIcon::Error)
            s += " (error icon)";
    }
    return s.empty() ? " nothing" : s;
}

// One error box with exactly this text, and no completion box: the failure is not
// reported as success.
std::optional<std::string> OneError(const std::vector<Message>& messages, const std::string& text)
{
    int errors = 0;
    for (const auto& m : messages) {
        if (m.icon == MessageIcon::Error)
            ++errors;
        if (m.text == filerun::kDoneText)
            return "reported success:" + Seen(messages);
    }
    if (errors != 1 || messages.empty() || messages.back().text != text ||
        messages.back().icon != MessageIcon::Error || !messages.back().caption.empty())
        return "expected the one error [" + text + "], saw:" + Seen(messages);
    return std::nullopt;
}

struct Outcome {
    RunResult result;
    std::vector<Message> messages;
};

Outcome RunFilter(ScriptedPrompts& prompts, int preset = FILTER_PASS)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = preset;
    doc.m_nInputPreset = INPUT_FILE;
    const RunResult result = RunFileFilter(doc, prompts);
    return {result, prompts.messages};
}

// The echo over the test signal, all 20 steps done: what the export saves.
void FinishDemo(CRavelinDoc& doc)
{
    doc.m_nFilterPreset = FILTER_ECHO5;
    doc.m_nInputPreset = INPUT_TEST;
    for (int i = 0; i < 20; ++i)
        doc.Advance();
}

// ---------------------------------------------------------------- the child process

// Runs in the forked child: collects findings, or gives up with a reason to skip.
class Child {
public:
    explicit Child(int fd) : m_fd(fd) {}

    void Expect(bool ok, const std::string& what)
    {
        if (!ok)
            Send('F', what);
    }
    void Expect(const std::optional<std::string>& failure)
    {
        if (failure)
            Send('F', *failure);
    }
    [[noreturn]] void Skip(const std::string& why)
    {
        Send('S', why);
        ::_exit(0);
    }

    // Permission bits apply to this process from here on: as root it becomes "nobody".
    void BecomeUnprivileged()
    {
        if (::geteuid() != 0)
            return;
        if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
            ::setresuid(65534, 65534, 65534) != 0)
            Skip(std::string("running as root and cannot drop to an unprivileged user: ") +
                 std::strerror(errno));
    }
    // Writes past limit bytes fail with EFBIG instead of killing the process.
    void LimitFileSize(rlim_t limit)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &r) != 0)
            Skip(std::string("setrlimit(RLIMIT_FSIZE): ") + std::strerror(errno));
    }
    // A tmpfs of the given size on dir, seen by this process only. Without the right to
    // mount, a user namespace grants it where the system allows those.
    void MountSmallTmpfs(const std::string& dir, const char* size)
    {
        const std::string options = std::string("size=") + size;
        if (::unshare(CLONE_NEWNS) != 0 && !EnterUserNamespace())
            Skip(std::string("cannot mount a private tmpfs here (needs CAP_SYS_ADMIN or user ") +
                 "namespaces): " + std::strerror(errno) + "; the file-size limit tests cover a full disk");
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("ravelin-full", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
            Skip(std::string("cannot mount a private tmpfs here: ") + std::strerror(errno) +
                 "; the file-size limit tests cover a full disk");
    }

private:
    // Becomes root of a new user namespace (mapped to the same user outside) with its
    // own mount namespace.
    static bool EnterUserNamespace()
    {
        const auto uid = ::getuid();
        const auto gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        auto put = [](const char* file, const std::string& text) {
            const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
            const bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) ==
                                           static_cast<ssize_t>(text.size());
            if (fd >= 0)
                ::close(fd);
            return ok;
        };
        return put("/proc/self/setgroups", "deny") &&
               put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
               put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }

    void Send(char kind, const std::string& text)
    {
        std::string line(1, kind);
        for (char c : text)
            line += c == '\n' ? std::string("\\n") : std::string(1, c);
        line += '\n';
        const char* p = line.data();
        std::size_t left = line.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, left);
            if (n <= 0)
                break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    int m_fd;
};

struct ChildReport {
    std::optional<std::string> skipped;
    std::vector<std::string> failures;
};

ChildReport InChild(const std::function<void(Child&)>& body, unsigned timeoutSeconds = 20)
{
    ChildReport report;
    int fds[2];
    if (::pipe(fds) != 0) {
        report.failures.push_back("pipe failed");
        return report;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        report.failures.push_back("fork failed");
        return report;
    }
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(timeoutSeconds); // a hang ends here, with SIGALRM
        Child child(fds[1]);
        body(child);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (line.empty())
            continue;
        if (line[0] == 'S')
            report.skipped = line.substr(1);
        else
            report.failures.push_back(line.substr(1));
    }
    if (WIFSIGNALED(status))
        report.failures.push_back(std::string("the child died of signal ") +
                                  std::to_string(WTERMSIG(status)) +
                                  (WTERMSIG(status) == SIGALRM ? " (it hung)" : ""));
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report.failures.push_back("the child exited with " + std::to_string(WEXITSTATUS(status)));
    return report;
}

#define EXPECT_IN_CHILD(...)                                                                     \
    do {                                                                                         \
        const ChildReport report_ = InChild(__VA_ARGS__);                                           \
        for (const auto& failure_ : report_.failures)                                            \
            ADD_FAILURE() << failure_;                                                           \
        if (report_.skipped && report_.failures.empty())                                         \
            GTEST_SKIP() << *report_.skipped;                                                    \
    } while (false)

// ================================================================ the file run: output

// 20000 samples: 40 KB, more than the small disks and limits below take.
const Bytes kBigWav = MonoWav16(20000);
const Bytes kSentinel = Text("an existing file that must survive\n");

TEST(FileRunFault, FullDiskLeavesTheExistingOutputAndNoTemporaryFile)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    WriteBytes(in, kBigWav);
    const std::string disk = dir.Sub("disk");
    EXPECT_IN_CHILD([&](Child& c) {
        c.MountSmallTmpfs(disk, "16k");
        const std::string out = disk + "/out.wav";
        WriteBytes(out, kSentinel);
        ScriptedPrompts prompts(in, out);
        const Outcome o = RunFilter(prompts);
        c.Expect(o.result == RunResult::Failed, "the run did not fail");
        c.Expect(OneError(o.messages, CantWrite(out)));
        c.Expect(ReadBytes(out) == kSentinel, "the existing output changed");
        c.Expect(Listing(disk) == std::vector<std::string>{"out.wav"},
                 "the full disk holds " + Join(Listing(disk)));
    });
    EXPECT_EQ(ReadBytes(in), kBigWav);
}

TEST(FileRunFault, FullDiskWithTheOutputOverTheInputKeepsTheInput)
{
    TempDir dir;
    const std::string disk = dir.Sub("disk");
    EXPECT_IN_CHILD([&](Child& c) {
        c.MountSmallTmpfs(disk, "16k");
        const std::string in = disk + "/in.wav";
        const Bytes wav = MonoWav16(5000); // three of the disk's four pages: fits once, not twice
        WriteBytes(in, wav);
        ScriptedPrompts prompts(in, in);
        const Outcome o = RunFilter(prompts, FILTER_ECHO5);
        c.Expect(o.result == RunResult::Failed, "the run did not fail");
        c.Expect(OneError(o.messages, CantWrite(in)));
        c.Expect(ReadBytes(in) == wav, "the input changed");
        c.Expect(Listing(disk) == std::vector<std::string>{"in.wav"},
                 "the full disk holds " + Join(Listing(disk)));
    });
}

TEST(FileRunFault, FileSizeLimitFailsTheWriteAndKeepsTheExistingOutput)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    const std::string out = dir / "out.wav";
    WriteBytes(in, kBigWav);
    WriteBytes(out, kSentinel);
    EXPECT_IN_CHILD([&](Child& c) {
        c.LimitFileSize(4096);
        ScriptedPrompts prompts(in, out);
        const Outcome o = RunFilter(prompts);
        c.Expect(o.result == RunResult::Failed, "the run did not fail");
        c.Expect(OneError(o.messages, CantWrite(out)));
    });
    EXPECT_EQ(ReadBytes(out), kSentinel);
    EXPECT_EQ(ReadBytes(in), kBigWav);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST(FileRunFault, FileSizeLimitWithTheOutputOverTheInputKeepsTheInput)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    WriteBytes(in, kBigWav);
    EXPECT_IN_CHILD([&](Child& c) {
        c.LimitFileSize(4096);
        ScriptedPrompts prompts(in, in);
        const Outcome o = RunFilter(prompts, FILTER_LPF8);
        c.Expect(o.result == RunResult::Failed, "the run did not fail");
        c.Expect(OneError(o.messages, CantWrite(in)));
    });
    EXPECT_EQ(ReadBytes(in), kBigWav);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"in.wav"});
}

TEST(FileRunFault, OutputFolderWithoutWritePermission)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    WriteBytes(in, kBigWav);
    const std::string locked = dir.Sub("locked");
    const std::string out = locked + "/out.wav";
    WriteBytes(out, kSentinel, 0666); // the file itself may be written, its folder not
    ::chmod(locked.c_str(), 0555);
    EXPECT_IN_CHILD([&](Child& c) {
        c.BecomeUnprivileged();
        if (::access(locked.c_str(), W_OK) == 0)
            c.Skip("permission bits are not enforced for this process");
        ScriptedPrompts prompts(in, out);
        const Outcome o = RunFilter(prompts);
        c.Expect(o.result == RunResult::Failed, "the run did not fail");
        c.Expect(OneError(o.messages, CantOpen(out)));
    });
    EXPECT_EQ(ReadBytes(out), kSentinel);
    EXPECT_EQ(Listing(locked), std::vector<std::string>{"out.wav"});
}

TEST(FileRunFault, OutputOverTheInputInAFolderWithoutWritePermission)
{
    TempDir dir;
    const std::string locked = dir.Sub("locked");
    const std::string in = locked + "/in.wav";
    WriteBytes(in, kBigWav, 0666);
    ::chmod(locked.c_str(), 0555);
    EXPECT_IN_CHILD([&](Child& c) {
        c.BecomeUnprivileged();
        if (::access(locked.c_str(), W_OK) == 0)
            c.Skip("permission bits are not enforced for this process");
        ScriptedPrompts prompts(in, in);
        const Outcome o = RunFilter(prompts, FILTER_DELAY5);
        c.Expect(o.result == RunResult::Failed, "the run did not fail");
        c.Expect(OneError(o.messages, CantOpen(in)));
    });
    EXPECT_EQ(ReadBytes(in), kBigWav);
    EXPECT_EQ(Listing(locked), std::vector<std::string>{"in.wav"});
}

// A folder, a FIFO or a device at the output path is never replaced by a plain file
// (renaming over it would, and as root even over /dev/null), nor opened (a FIFO
// without a reader would block).
TEST(FileRunFault, OutputThatIsNotARegularFileIsRefusedAndKept)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    WriteBytes(in, MonoWav16(64));
    const std::string folder = dir.Sub("folder");
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string linkToFifo = dir / "link-to-fifo";
    ASSERT_EQ(::symlink("fifo", linkToFifo.c_str()), 0);
    const std::string dangling = dir / "dangling";
    ASSERT_EQ(::symlink("nowhere/x.wav", dangling.c_str()), 0);

    for (const std::string& out : {folder, fifo, linkToFifo, dangling, folder + "/"}) {
        SCOPED_TRACE(out);
        EXPECT_IN_CHILD([&](Child& c) {
            ScriptedPrompts prompts(in, out);
            const Outcome o = RunFilter(prompts);
            c.Expect(o.result == RunResult::Failed, "the run did not fail");
            c.Expect(OneError(o.messages, CantOpen(out)));
        });
    }
    struct stat st{};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::lstat(linkToFifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat(dangling.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_TRUE(Listing(folder).empty());
    EXPECT_EQ(Listing(dir.Path()),
              (std::vector<std::string>{"dangling", "fifo", "folder", "in.wav", "link-to-fifo"}));
}

// Saving through a link writes the file it names and keeps the link.
TEST(FileRunFault, OutputThroughALinkReplacesTheFileItNames)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    const Bytes wav = MonoWav16(64);
    WriteBytes(in, wav);
    const std::string target = dir.Sub("real") + "/target.wav";
    WriteBytes(target, kSentinel, 0640);
    const std::string link = dir / "link.wav";
    ASSERT_EQ(::symlink("real/target.wav", link.c_str()), 0);

    ScriptedPrompts prompts(in, link);
    const Outcome o = RunFilter(prompts);
    EXPECT_EQ(o.result, RunResult::Done) << Seen(o.messages);
    EXPECT_EQ(ReadBytes(target), PassThrough(wav, 128));
    struct stat st{};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
    EXPECT_EQ(Listing(dir / "real"), std::vector<std::string>{"target.wav"});
}

// ================================================================ the file run: input

TEST(FileRunFault, InputRemovedAfterItWasChosen)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    const std::string out = dir / "out.wav";
    WriteBytes(in, MonoWav16(64));
    WriteBytes(out, kSentinel);
    ScriptedPrompts prompts(in, out);
    prompts.whileOpenDialog = [&] { ::unlink(in.c_str()); };
    const Outcome o = RunFilter(prompts);
    EXPECT_EQ(o.result, RunResult::Refused);
    EXPECT_EQ(o.messages.size(), 1u) << Seen(o.messages);
    EXPECT_EQ(OneError(o.messages, CantOpen(in)), std::nullopt);
    EXPECT_EQ(ReadBytes(out), kSentinel);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"out.wav"});
}

TEST(FileRunFault, InputReplacedByAFolderOrAFifoAfterItWasChosen)
{
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "fifo" : "folder");
        TempDir dir;
        const std::string in = dir / "in.wav";
        const std::string out = dir / "out.wav";
        WriteBytes(in, MonoWav16(64));
        EXPECT_IN_CHILD([&](Child& c) {
            ScriptedPrompts prompts(in, out);
            prompts.whileOpenDialog = [&] {
                ::unlink(in.c_str());
                if (fifo)
                    ::mkfifo(in.c_str(), 0644);
                else
                    ::mkdir(in.c_str(), 0755);
            };
            const Outcome o = RunFilter(prompts);
            c.Expect(o.result == RunResult::Refused, "the input was not refused");
            c.Expect(o.messages.size() == 1, "more than the error:" + Seen(o.messages));
            c.Expect(OneError(o.messages, CantOpen(in)));
        });
        EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"in.wav"});
    }
}

// The input is cut short while the save dialog is open, after its header was read.
// (Larger than the stream's buffer, which may still hold the start of the samples.)
TEST(FileRunFault, InputCutShortAfterItsHeaderWasReadIsRefused)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    const std::string out = dir / "out.wav";
    WriteBytes(in, kBigWav);
    WriteBytes(out, kSentinel);
    ScriptedPrompts prompts(in, out);
    prompts.whileSaveDialog = [&] { ASSERT_EQ(::truncate(in.c_str(), 100), 0); };
    const Outcome o = RunFilter(prompts);
    EXPECT_EQ(o.result, RunResult::Refused);
    EXPECT_EQ(OneError(o.messages, CantOpen(in)), std::nullopt);
    EXPECT_EQ(ReadBytes(out), kSentinel);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// Removed, or replaced by another file, after its header was read: the run goes on
// with the file it opened, so the output matches the information that was shown.
TEST(FileRunFault, InputRemovedOrReplacedAfterItsHeaderWasReadStaysConsistent)
{
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "replaced" : "removed");
        TempDir dir;
        const std::string in = dir / "in.wav";
        const std::string out = dir / "out.wav";
        const Bytes wav = MonoWav16(500);
        WriteBytes(in, wav);
        const std::string other = dir / "other.wav";
        WriteBytes(other, MonoWav16(3));
        ScriptedPrompts prompts(in, out);
        prompts.whileSaveDialog = [&] {
            if (replace)
                ASSERT_EQ(std::rename(other.c_str(), in.c_str()), 0);
            else
                ASSERT_EQ(::unlink(in.c_str()), 0);
        };
        const Outcome o = RunFilter(prompts);
        EXPECT_EQ(o.result, RunResult::Done) << Seen(o.messages);
        ASSERT_EQ(o.messages.size(), 2u) << Seen(o.messages);
        EXPECT_NE(o.messages[0].text.find("サンプル数: 500\n"), std::string::npos);
        EXPECT_EQ(ReadBytes(out), PassThrough(wav, 1000));
    }
}

// Never a hang, never an endless read: refused at once with the can't-open message.
TEST(FileRunFault, InputThatIsAFolderAFifoOrADeviceIsRefusedAtOnce)
{
    TempDir dir;
    const std::string out = dir / "out.wav";
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string fifoWithWriter = dir / "fifo-with-writer";
    ASSERT_EQ(::mkfifo(fifoWithWriter.c_str(), 0644), 0);
    const std::string linkToDevice = dir / "zero.wav";
    ASSERT_EQ(::symlink("/dev/zero", linkToDevice.c_str()), 0);

    for (const std::string& in : {dir.Path(), fifo, fifoWithWriter, std::string("/dev/null"),
                                  std::string("/dev/zero"), linkToDevice}) {
        SCOPED_TRACE(in);
        EXPECT_IN_CHILD([&](Child& c) {
            int writer = -1;
            if (in == fifoWithWriter) {
                // A writer that keeps the FIFO open and never writes: a read would block.
                const int reader = ::open(in.c_str(), O_RDONLY | O_NONBLOCK);
                writer = ::open(in.c_str(), O_WRONLY | O_NONBLOCK);
                ::close(reader);
            }
            ScriptedPrompts prompts(in, out);
            const Outcome o = RunFilter(prompts);
            c.Expect(o.result == RunResult::Refused, "the input was not refused");
            c.Expect(o.messages.size() == 1, "more than the error:" + Seen(o.messages));
            c.Expect(OneError(o.messages, CantOpen(in)));
            if (writer >= 0)
                ::close(writer);
        });
    }
    EXPECT_EQ(Listing(dir.Path()),
              (std::vector<std::string>{"fifo", "fifo-with-writer", "zero.wav"}));
}

TEST(FileRunFault, InputWithoutReadPermission)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    WriteBytes(in, MonoWav16(64), 0200);
    const std::string outDir = dir.Sub("out", 0777);
    const std::string out = outDir + "/out.wav";
    EXPECT_IN_CHILD([&](Child& c) {
        c.BecomeUnprivileged();
        if (::access(in.c_str(), R_OK) == 0)
            c.Skip("permission bits are not enforced for this process");
        ScriptedPrompts prompts(in, out);
        const Outcome o = RunFilter(prompts);
        c.Expect(o.result == RunResult::Refused, "the input was not refused");
        c.Expect(o.messages.size() == 1, "more than the error:" + Seen(o.messages));
        c.Expect(OneError(o.messages, CantOpen(in)));
    });
    EXPECT_TRUE(Listing(outDir).empty());
}

TEST(FileRunFault, EmptyFileIsAWrongFormat)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    const std::string out = dir / "out.wav";
    WriteBytes(in, {});
    WriteBytes(out, kSentinel);
    ScriptedPrompts prompts(in, out);
    const Outcome o = RunFilter(prompts);
    EXPECT_EQ(o.result, RunResult::Refused);
    EXPECT_EQ(o.messages.size(), 1u) << Seen(o.messages);
    EXPECT_EQ(OneError(o.messages, WrongFormat(in)), std::nullopt);
    EXPECT_EQ(ReadBytes(out), kSentinel);
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// A data size of 4 GiB over 10 bytes of samples (as a recorder that never finished
// its header leaves it): the 10 bytes present are filtered, and the memory taken
// follows the file, not the declared size. Outside AddressSanitizer (which reserves
// terabytes of address space) the child's address space is capped at 512 MiB, so a
// buffer sized by the header would fail.
TEST(FileRunFault, DeclaredFourGigabytesHoldingTenBytesTakesTheTenBytes)
{
    TempDir dir;
    const std::string in = dir / "in.wav";
    const std::string out = dir / "out.wav";
    const Bytes wav = MonoWav16(5, 0xFFFFFFFFu);
    WriteBytes(in, wav);
    EXPECT_IN_CHILD([&](Child& c) {
        if (!kAddressSanitizer) {
            const rlimit r{512u << 20, 512u << 20};
            ::setrlimit(RLIMIT_AS, &r);
        }
        ScriptedPrompts prompts(in, out);
        const Outcome o = RunFilter(prompts);
        c.Expect(o.result == RunResult::Done, "not written:" + Seen(o.messages));
        c.Expect(ReadBytes(out) == PassThrough(wav, 10), "the output is not the 10 bytes");
    });
}

// ================================================================ the text export

TEST(TextExportFault, FullDiskLeavesTheExistingFileAndNoTemporaryFile)
{
    TempDir dir;
    const std::string disk = dir.Sub("disk");
    EXPECT_IN_CHILD([&](Child& c) {
        c.MountSmallTmpfs(disk, "4k"); // one page, taken by the existing file
        const std::string path = disk + "/result.txt";
        WriteBytes(path, kSentinel);
        CRavelinDoc doc;
        FinishDemo(doc);
        ScriptedPrompts prompts("", path);
        c.Expect(RunTextExport(doc, prompts) == RunResult::Failed, "the export did not fail");
        c.Expect(OneError(prompts.messages, CantWrite(path)));
        c.Expect(ReadBytes(path) == kSentinel, "the existing file changed");
        c.Expect(Listing(disk) == std::vector<std::string>{"result.txt"},
                 "the full disk holds " + Join(Listing(disk)));
    });
}

TEST(TextExportFault, FileSizeLimitFailsTheWriteAndKeepsTheExistingFile)
{
    TempDir dir;
    const std::string path = dir / "result.txt";
    WriteBytes(path, kSentinel);
    EXPECT_IN_CHILD([&](Child& c) {
        c.LimitFileSize(512); // the table is about 1 KB
        CRavelinDoc doc;
        FinishDemo(doc);
        ScriptedPrompts prompts("", path);
        c.Expect(RunTextExport(doc, prompts) == RunResult::Failed, "the export did not fail");
        c.Expect(OneError(prompts.messages, CantWrite(path)));
    });
    EXPECT_EQ(ReadBytes(path), kSentinel);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"result.txt"});
}

TEST(TextExportFault, FolderWithoutWritePermission)
{
    TempDir dir;
    const std::string locked = dir.Sub("locked");
    const std::string path = locked + "/result.txt";
    WriteBytes(path, kSentinel, 0666);
    ::chmod(locked.c_str(), 0555);
    EXPECT_IN_CHILD([&](Child& c) {
        c.BecomeUnprivileged();
        if (::access(locked.c_str(), W_OK) == 0)
            c.Skip("permission bits are not enforced for this process");
        CRavelinDoc doc;
        FinishDemo(doc);
        ScriptedPrompts prompts("", path);
        c.Expect(RunTextExport(doc, prompts) == RunResult::Failed, "the export did not fail");
        c.Expect(OneError(prompts.messages, CantOpen(path)));
    });
    EXPECT_EQ(ReadBytes(path), kSentinel);
    EXPECT_EQ(Listing(locked), std::vector<std::string>{"result.txt"});
}

TEST(TextExportFault, PathThatIsNotARegularFileIsRefusedAndKept)
{
    TempDir dir;
    const std::string folder = dir.Sub("folder");
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& path : {folder, fifo, dir / "missing/result.txt"}) {
        SCOPED_TRACE(path);
        EXPECT_IN_CHILD([&](Child& c) {
            CRavelinDoc doc;
        FinishDemo(doc);
            ScriptedPrompts prompts("", path);
            c.Expect(RunTextExport(doc, prompts) == RunResult::Failed, "the export did not fail");
            c.Expect(OneError(prompts.messages, CantOpen(path)));
        });
    }
    struct stat st{};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(Listing(folder).empty());
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"fifo", "folder"}));
}

TEST(TextExportFault, ThroughALinkReplacesTheFileItNames)
{
    TempDir dir;
    const std::string target = dir / "target.txt";
    WriteBytes(target, kSentinel);
    const std::string link = dir / "link.txt";
    ASSERT_EQ(::symlink("target.txt", link.c_str()), 0);
    CRavelinDoc doc;
        FinishDemo(doc);
    ScriptedPrompts prompts("", link);
    EXPECT_EQ(RunTextExport(doc, prompts), RunResult::Done) << Seen(prompts.messages);
    const std::string text = FormatTextExport(doc, TextEncoding::ShiftJis, "\r\n");
    EXPECT_EQ(ReadBytes(target), Bytes(text.begin(), text.end()));
    struct stat st{};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"link.txt", "target.txt"}));
}

} // namespace
} // namespace ravelin
