// The file run and the text export end to end through scripted dialogs, and the faults
// that must lose nothing: each ends in its one error box, never reports success for a
// file it did not write and leaves every file as it was.
#include "files/FileRun.h"
#include "files/TextExport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <map>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ravelin {
namespace {

using namespace test;

#ifdef __SANITIZE_ADDRESS__
constexpr bool kAddressSanitizer = true; // it reserves terabytes of address space
#else
constexpr bool kAddressSanitizer = false;
#endif

// The messages; @ stands for the path.
const char* const kCantOpen = "error .... can't open the file [@]\n";
const char* const kCantWrite = "error .... can't write the file [@]\n";
const char* const kWrongFormat = "error .... found wrong WAVE format in the file [@]\n";

std::string Say(std::string text, const std::string& path)
{
    for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + path.size()))
        text.replace(at, 1, path);
    return text;
}

// The file run from in to out through a one-tap filter of the given gain.
RunResult FileRun(ScriptedPrompts& p, const std::string& in, const std::string& out, double gain = 1)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = FILTER_USER3;
    doc.m_nUserTap = {0, 0, 0};
    doc.m_dUserCoef = {0.0, 0.0, gain};
    p.openPath = in;
    p.savePath = out;
    const RunResult result = RunFileFilter(doc, p);
    EXPECT_EQ(doc.m_nRunMode, 0);
    return result;
}

TEST(FileRun, PassThroughIsByteIdentical)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", out = dir / "out.wav";
    ScriptedPrompts p;
    WriteFile(in, MakeWav({1, 1, 44100, 16}, Samples16({0, 1, -1, 32767, -32768, 1234})));
    ASSERT_EQ(FileRun(p, in, out), RunResult::Done);
    EXPECT_EQ(ReadBytes(out), ReadBytes(in));
    EXPECT_EQ(p.shown, "入力ファイル情報|0|ファイル名: " + in + "\nフォーマットID: 1\nリニアPCM形式\n"
                       "チャネル数: 1\nサンプリング周波数: 44100\n量子化ビット数: 16\nサンプル数: 6\n\n" +
                           out + "|0|ファイル保存が終了しました\n");
    EXPECT_EQ(p.titles, (std::vector<std::string>{"モノラル*.wavの読み込み", "*.wavへの保存"}));

    // Eight bits, and other format tags, which are filtered as PCM too; only 1 is named.
    for (const auto& [wav, id] : {std::pair(MakeWav({1, 1, 8000, 8}, {0, 1, 127, 128, 129, 255}), "1\nリニアPCM形式"),
                                  {MakeWav({3, 1, 8000, 16}, Samples16({5, 6})), "3"},
                                  {MakeWav({-2, 1, 8000, 16}, Samples16({5, 6})), "-2"}}) {
        WriteFile(in, wav);
        ASSERT_EQ(FileRun(p, in, out), RunResult::Done);
        EXPECT_EQ(ReadBytes(out), wav);
        EXPECT_NE(p.shown.find("\nフォーマットID: " + std::string(id) + "\nチャネル数: 1\n"), std::string::npos);
    }
}

TEST(FileRun, ClampsAndTruncatesTowardZeroOverTheInput)
{
    const TempDir dir;
    const std::string in = dir / "in.wav";
    ScriptedPrompts p;
    // x 1.5: 30000 -> 32767, -30000 -> -32768, 3 -> 4.5 -> 4, -3 -> -4.5 -> -4
    WriteFile(in, MakeWav({}, Samples16({30000, -30000, 3, -3, 0})));
    ASSERT_EQ(FileRun(p, in, in, 1.5), RunResult::Done);
    EXPECT_EQ(ReadBytes(in), MakeWav({}, Samples16({32767, -32768, 4, -4, 0})));
    // Eight bits around 128: 127 -> 127, -128 -> -128, 3 -> 4, -3 -> -4
    WriteFile(in, MakeWav({1, 1, 8000, 8}, {255, 0, 131, 125, 128}));
    ASSERT_EQ(FileRun(p, in, in, 1.5), RunResult::Done);
    EXPECT_EQ(ReadBytes(in), MakeWav({1, 1, 8000, 8}, {255, 0, 132, 124, 128}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

TEST(FileRun, ThroughALinkAndFromAReplacedInput)
{
    const TempDir dir;
    const std::string in = dir / "in.wav", target = dir / "real/target.wav";
    WriteFile(in, MakeWav({}, Samples16({7, -9})));
    fs::create_directory(dir / "real");
    WriteFile(target, {'o', 'l', 'd'});
    fs::permissions(target, fs::perms(0640));
    fs::create_symlink("real/target.wav", dir / "link.wav");
    // The file a link names gets the output and keeps its mode; the link stays.
    ScriptedPrompts p;
    ASSERT_EQ(FileRun(p, in, dir / "link.wav"), RunResult::Done);
    EXPECT_EQ(ReadBytes(target), ReadBytes(in));
    EXPECT_TRUE(fs::is_symlink(dir / "link.wav") && fs::status(target).permissions() == fs::perms(0640));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir.Path()), {}), 4); // nothing else

    // Replaced by another file after its header was read: the run goes on with the file
    // it opened, so the output matches the information shown.
    WriteFile(dir / "other.wav", MakeWav({}, Samples16({1})));
    p.whileSave = [&] { fs::rename(dir / "other.wav", in); };
    ASSERT_EQ(FileRun(p, in, dir / "out.wav"), RunResult::Done);
    EXPECT_EQ(ReadBytes(dir / "out.wav"), ReadBytes(target));
}

TEST(FileRun, CancelsWriteNothing)
{
    const TempDir dir;
    WriteFile(dir / "in.wav", MakeWav({}, Samples16({1, 2, 3})));
    CRavelinDoc doc;
    doc.m_nFilterPreset = FILTER_LPF4;
    ScriptedPrompts p, none;
    EXPECT_EQ(RunFileFilter(doc, p), RunResult::Cancelled); // no input chosen
    EXPECT_EQ(doc.m_filter.Length(), 511); // the preset is loaded before the dialog
    p.openPath = dir / "in.wav";
    EXPECT_EQ(RunFileFilter(doc, p), RunResult::Cancelled); // no output chosen
    const std::string info = p.shown;
    p.savePath = dir / "out.wav";
    p.cancelAt = 0;
    EXPECT_EQ(RunFileFilter(doc, p), RunResult::Cancelled); // the progress
    EXPECT_EQ(RunTextExport(Finished(FILTER_PASS, INPUT_TEST), none), RunResult::Cancelled);
    EXPECT_TRUE(info.starts_with("入力ファイル情報|0|") && p.shown == info + info && none.shown.empty());
    EXPECT_EQ(doc.m_nRunMode, 0);
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

// The file form written out: Shift_JIS labels, CR LF; tap k's value taps[k] (else 0),
// then time t's input and output rows[t] (else both 0).
std::string ExportFile(std::map<int, const char*> taps, std::map<int, const char*> rows)
{
    const std::string title = "\x83\x5E\x83\x62\x83\x76\x8C\x57\x90\x94"; // タップ係数
    std::string s = title + "\r\n\x8C\x57\x90\x94\x94\xD4\x8D\x86\x81\x40" + title + "\r\n";
    for (int k = 0; k < 10; ++k)
        s += "       " + std::to_string(k) + "     " + (taps.count(k) ? taps[k] : "0.00000") + "\r\n";
    s += "\r\n\x83\x41\x83\x6A\x83\x81\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8C\x8B\x89\xCA\r\n"
         "\x8E\x9E\x8D\x8F\x81\x40\x93\xFC\x97\xCD\x90\x4D\x8D\x86\x81\x40\x8F\x6F\x97\xCD\x90"
         "\x4D\x8D\x86\r\n";
    for (int t = -1; t <= 18; ++t) {
        const std::string time = std::to_string(t);
        s += std::string(4 - time.size(), ' ') + time +
             (rows.count(t) ? rows[t] : "     0.000     0.000") + "\r\n";
    }
    return s;
}

TEST(TextExport, ExactBytesOfTwoPairs)
{
    const TempDir dir;
    const std::string path = dir / "result";
    EXPECT_EQ(WriteTextExport(Finished(FILTER_PASS, INPUT_IMPULSE), path), "");
    EXPECT_EQ(ReadText(path), ExportFile({{0, "1.00000"}}, {{0, "     1.000     1.000"}}));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"result"}); // no extension added

    ScriptedPrompts p; // through the command, over the existing file
    p.savePath = path;
    EXPECT_EQ(RunTextExport(Finished(FILTER_ECHO5, INPUT_TEST), p), RunResult::Done);
    EXPECT_EQ(p.shown, "");
    EXPECT_EQ(p.titles, std::vector<std::string>{"アニメーション結果の*.txtへの保存"});
    const char* one = "     1.000     0.800";
    const char* half = "    -0.500    -0.400";
    EXPECT_EQ(ReadText(path), ExportFile({{0, "0.80000"}, {5, "0.20000"}},
                                         {{0, one}, {1, half}, {3, one}, {4, half},
                                          {5, "     0.000     0.200"}, {6, "     0.250     0.100"},
                                          {8, "     0.000     0.200"}, {9, "     0.000    -0.100"},
                                          {11, "     0.000     0.050"}}));

    // The console form: UTF-8 and LF.
    const std::string text = FormatTextExport(Finished(2, 2), TextEncoding::Utf8, "\n");
    EXPECT_TRUE(text.starts_with("タップ係数\n係数番号　タップ係数\n       0     0.80000\n"));
    EXPECT_NE(text.find("\n\nアニメーションの結果\n時刻　入力信号　出力信号\n  -1"), text.npos);
}

// ---------------------------------------------------------------- faults
// Faults that change the process (a file-size limit, a private tmpfs, running as
// "nobody" so that permission bits apply even to root) are set up in a forked child,
// which an alarm ends should the run hang.

constexpr int kSkipped = 77;

// Runs body in a forked child. Its failures print there and fail the test here, as
// does a crash or a hang; it may exit with kSkipped when it cannot set a case up.
void InChild(const std::function<void()>& body)
{
    const auto& result = *testing::UnitTest::GetInstance()->current_test_info()->result();
    const int parts = result.total_part_count();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(20);
        [&]() noexcept { body(); }(); // an exception ends the child as a crash
        std::fflush(nullptr);
        ::_exit(result.total_part_count() > parts ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == kSkipped))
        << "the child failed (see above), hung or died: status " << status;
}

// Every entry under dir: its kind, its mode and, for a file, a hash of its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir)
{
    std::map<std::string, std::string> entries;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != decltype(it)(); it.increment(ec)) {
        const fs::file_status s = it->symlink_status(ec);
        std::string& e = entries[it->path().string()];
        e = std::to_string(static_cast<int>(s.type())) + " " + std::to_string(static_cast<int>(s.permissions()));
        if (s.type() == fs::file_type::regular)
            e += " " + std::to_string(std::hash<std::string>{}(ReadText(it->path())));
        if (s.type() == fs::file_type::symlink)
            e += " -> " + fs::read_symlink(it->path(), ec).string();
    }
    return entries;
}

// A fault, set up in a fresh folder holding in.wav (40 KB unless wav is given) and
// out.wav (an existing file); the commands run there through the shell.
struct Fault {
    const char* name;
    const char* setup = "true";
    const char* in = "in.wav"; // what the dialogs answer
    const char* out = "out.wav";
    const char* error = kCantOpen;  // @ stands for the path
    const char* whileOpen = "true"; // while the dialog is open
    const char* whileSave = "true";
    Bytes wav{};
    const char* disk = nullptr; // first a tmpfs of this size on disk/: a full disk
    rlim_t limit = 0;           // a file-size limit
    bool nobody = false;        // permission bits apply, even to root
    bool writer = false;        // a writer holds the input open, never writing
};

enum class Command { FileRunInput, FileRunOutput, TextExport };

void Shell(const char* command)
{
    ASSERT_EQ(std::system(command), 0) << command;
}

// The command must end in its one error box (after the input's information, maybe)
// and leave the folder as it was (as a hook left it while a dialog was open).
void ExpectLosesNothing(const Fault& f, Command command)
{
    SCOPED_TRACE(f.name + std::string(command == Command::TextExport ? ", text export" : ""));
    const TempDir dir;
    InChild([&] {
        const rlimit limit{f.limit, f.limit};
        ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
        if (f.disk && (::mkdir("disk", 0755) || ::unshare(CLONE_NEWNS) ||
                       ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
                       ::mount("full", "disk", "tmpfs", 0, ("size=" + std::string(f.disk)).c_str())))
            ::_exit(kSkipped); // a private tmpfs needs CAP_SYS_ADMIN; the file-size limit stays
        WriteFile("in.wav", f.wav.empty() ? MakeWav({}, Bytes(40000, 7)) : f.wav);
        WriteFile("out.wav", {'k', 'e', 'e', 'p'});
        Shell(f.setup);
        if (f.writer && ::open(f.in, O_RDWR) < 0)
            ADD_FAILURE() << "no writer";
        if (f.limit && (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit)))
            ADD_FAILURE() << "no file-size limit";
        if (f.nobody && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) || ::setresgid(65534, 65534, 65534) || ::setresuid(65534, 65534, 65534)))
            ::_exit(kSkipped); // root without the right to become "nobody"

        auto before = Snapshot(".");
        ScriptedPrompts p;
        p.openPath = f.in;
        p.savePath = f.out;
        p.whileOpen = [&] { Shell(f.whileOpen), before = Snapshot("."); };
        p.whileSave = [&] { Shell(f.whileSave), before = Snapshot("."); };
        Finished doc(FILTER_ECHO5, INPUT_TEST);
        const bool input = command == Command::FileRunInput;
        const RunResult result = command == Command::TextExport ? RunTextExport(doc, p) : RunFileFilter(doc, p);
        EXPECT_EQ(result, input ? RunResult::Refused : RunResult::Failed);
        EXPECT_EQ(Snapshot("."), before);
        // One error box, last; before it only the information, if anything.
        const std::string error = "|1|" + Say(f.error, input ? f.in : f.out) + "\n";
        EXPECT_TRUE(p.shown.ends_with(error) && p.shown.find("|1|") == p.shown.size() - error.size() &&
                    (p.shown == error || p.shown.starts_with("入力ファイル情報|0|ファイル名: ")))
            << p.shown;
    });
}

// Refused at once: never a hang, never an endless read, nothing written.
TEST(FileRunFault, RefusedInputsLoseNothing)
{
    const Fault faults[] = {
        {"missing", "true", "missing.wav"},
        {"a folder", "mkdir folder", "folder"},
        {"a FIFO", "mkfifo fifo", "fifo"},
        {.name = "a FIFO with a writer", .setup = "mkfifo fifo", .in = "fifo", .writer = true},
        {"/dev/zero", "true", "/dev/zero"},
        {"/dev/null", "true", "/dev/null"},
        {"a link to /dev/zero", "ln -s /dev/zero zero.wav", "zero.wav"},
        {.name = "removed once chosen", .whileOpen = "rm in.wav"},
        {.name = "a folder once chosen", .whileOpen = "rm in.wav && mkdir in.wav"},
        {.name = "a FIFO once chosen", .whileOpen = "rm in.wav && mkfifo in.wav"},
        {.name = "cut short after its header was read", .whileSave = "truncate -s 100 in.wav"},
        {.name = "without read permission", .setup = "chmod 200 in.wav", .nobody = true},
        {"empty", ": >in.wav", "in.wav", "out.wav", kWrongFormat},
        {"RIFX", "printf X | dd of=in.wav bs=1 seek=3 conv=notrunc 2>/dev/null", "in.wav", "out.wav",
         kWrongFormat},
        {.name = "block align 0", .error = kWrongFormat, .wav = MakeWav({1, 1, 8000, 16, 0}, Bytes(8))},
        {.name = "block align 4", .error = kWrongFormat, .wav = MakeWav({1, 1, 8000, 16, 4}, Bytes(8))},
        {.name = "stereo",
         .error = "ファイル名: @\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 2\nサンプリング周波数: 8000\n"
                  "量子化ビット数: 16\nサンプル数: 2\nモノラルでないため扱えません",
         .wav = MakeWav({1, 2, 8000, 16}, Bytes(8))},
        {.name = "24 bits",
         .error = "ファイル名: @\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 1\nサンプリング周波数: 8000\n"
                  "量子化ビット数: 24\nサンプル数: 3\nサンプルビット数が8あるいは16でないため扱えません",
         .wav = MakeWav({1, 1, 8000, 24}, Bytes(9))},
    };
    for (const Fault& fault : faults)
        ExpectLosesNothing(fault, Command::FileRunInput);
}

// The same outputs fail the file run and the text export alike.
TEST(FileRunFault, UnwritableOutputsLoseNothing)
{
    const char* lock = "mkdir locked && cp in.wav locked && chmod 666 locked/in.wav && chmod 555 locked";
    const Fault faults[] = {
        // One page, which the existing file takes; three, which the input takes.
        {.name = "a full disk", .setup = "echo >disk/o", .out = "disk/o", .error = kCantWrite, .disk = "4k"},
        {.name = "a full disk, over the input", .setup = "head -c 10044 in.wav >disk/i", .in = "disk/i",
         .out = "disk/i", .error = kCantWrite, .disk = "12k"},
        {.name = "a file-size limit", .error = kCantWrite, .limit = 512},
        {.name = "a file-size limit, over the input", .out = "in.wav", .error = kCantWrite, .limit = 512},
        {.name = "a locked folder", .setup = lock, .out = "locked/in.wav", .nobody = true},
        {.name = "a locked folder, over the input", .setup = lock, .in = "locked/in.wav",
         .out = "locked/in.wav", .nobody = true},
        {"a folder", "mkdir folder", "in.wav", "folder"},
        {"a folder/", "mkdir folder", "in.wav", "folder/"},
        {"a FIFO", "mkfifo fifo", "in.wav", "fifo"},
        {"a link to a FIFO", "mkfifo fifo && ln -s fifo link", "in.wav", "link"},
        {"a dangling link", "ln -s nowhere/x.wav link", "in.wav", "link"},
        {"in a missing folder", "true", "in.wav", "no/out.wav"},
    };
    for (const Fault& fault : faults) {
        ExpectLosesNothing(fault, Command::FileRunOutput);
        ExpectLosesNothing(fault, Command::TextExport);
    }
}

// A data size of almost 4 GiB over 11 bytes, as a recorder that never finished its
// header leaves it: the five whole samples present are filtered, and the memory taken
// follows the file, not the header (the child's address space is capped at 512 MiB).
TEST(FileRunFault, DeclaredFourGigabytesHoldingElevenBytes)
{
    const TempDir dir;
    Bytes wav = MakeWav({}, Samples16({10, 20, 30, 40, 50}), 0xFFFFFFFEu);
    wav.push_back(0x55);
    WriteFile(dir / "in.wav", wav);
    InChild([&] {
        const rlimit r{512u << 20, 512u << 20};
        if (!kAddressSanitizer)
            ::setrlimit(RLIMIT_AS, &r);
        ScriptedPrompts p;
        ASSERT_EQ(FileRun(p, dir / "in.wav", dir / "out.wav"), RunResult::Done);
        EXPECT_NE(p.shown.find("サンプル数: 2147483647\n"), std::string::npos);
        EXPECT_EQ(ReadBytes(dir / "out.wav"), MakeWav({}, Samples16({10, 20, 30, 40, 50})));
    });
}

} // namespace
} // namespace ravelin
