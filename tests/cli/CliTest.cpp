// ravelin-cli as a script uses it: exit status, stdout, stderr and files; and through
// it the faults that the file run and the text export must survive, losing nothing.
#include "CliShell.h"
#include "Version.h"
#include "files/TextExport.h"
#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <string_view>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace ravelin {
namespace {

using namespace test;

#ifdef __SANITIZE_ADDRESS__
constexpr bool kAddressSanitizer = true; // it reserves terabytes of address space
#else
constexpr bool kAddressSanitizer = false;
#endif

// Every entry under dir with its kind, mode and link target; the checksum of every file.
std::string Snapshot(const std::string& dir)
{
    return Shell(dir, "find . -printf '%p %M %l\\n' | sort; md5sum $(find . -type f | sort)").out;
}

class Cli : public testing::Test {
  protected:
    Outcome Tool(const std::string& args) { return Shell(dir.Path(), "$CLI " + args); }
    const TempDir dir;
};

TEST_F(Cli, HelpVersionAndPresets)
{
    for (const std::string command : {"", " filter", " demo", " presets", " response", " design"})
        EXPECT_TRUE(Tool(command + " --help").out.starts_with("Usage: ravelin-cli" + command))
            << command;
    // The whole version, the one the package and the About box's application carry.
    EXPECT_EQ(Tool("--version").out, "ravelin-cli " + std::string(kVersion) + "\n");
    EXPECT_EQ(std::count(kVersion, kVersion + std::strlen(kVersion), '.'), 3) << kVersion;
    const Outcome presets = Tool("presets");
    EXPECT_EQ(presets.status, 0);
    EXPECT_NE(presets.out.find("   8  lpf4       低域通過フィルタ1/4\n"), std::string::npos);
    EXPECT_NE(presets.out.find("  11  user3      ユーザ設定３タップ係数フィルタ\n"),
              std::string::npos);
}

// Exit 2 with one line on stderr that names the problem, nothing else, no file.
TEST_F(Cli, UsageErrorsExitTwoWithOneLine)
{
    WriteFile(dir / "in.wav", MakeWav({}, Samples16({1, 2})));
    const char* const kResponseHelp = "(see 'ravelin-cli response --help')\n";
    const char* const kDesignHelp = "(see 'ravelin-cli design --help')\n";
    for (const auto& [args, word] :
         {std::pair("", "missing command"),
          {"bogus", "'bogus'"},
          {"filter -b in.wav o", "'-b'"},
          {"filter --preset 12 in.wav o", "'12'"},
          {"filter --taps 0,1 in.wav o", "'0,1'"},
          {"filter --taps 0,1,8193 in.wav o", "'8193'"},
          {"filter --coefs 0,0,2.001 in.wav o", "'2.001'"},
          {"filter --coefs nan,0,0 in.wav o", "'nan'"},
          {"filter in.wav o --preset", "'--preset'"},
          {"filter in.wav", "INPUT.wav and OUTPUT.wav"},
          {"filter in.wav ''", "empty file name"},
          {"demo --input 7", "'7'"},
          {"demo --values 1,,2", "'1,,2'"},
          {"demo --values 1,inf", "'1,inf'"},
          {"demo --values 1 --input test", "both"},
          {"presets extra", "'extra'"},
          // A usage error sends the user to the command's help.
          {"response --points 1", kResponseHelp},
          {"response --rate 0", kResponseHelp},
          {"response --rate x", kResponseHelp},
          {"response extra", kResponseHelp},
          {"response --preset 12", kResponseHelp},
          {"response --taps 1,2", kResponseHelp},
          {"response --coefs 0,0,3", kResponseHelp},
          {"response --coef-file", "'--coef-file' needs a value"},
          {"filter --coef-file h.txt --preset lpf4 in.wav out.wav", "give one or the other"},
          // The designer's own, and the design's refusals.
          {"design", kDesignHelp},
          {"design --type lowpass", kDesignHelp},
          {"design --type comb --cutoff 0.1 --taps 5", "'comb'"},
          {"design --type lowpass --cutoff 0.1", kDesignHelp},
          {"design --type lowpass --cutoff 0.5 --taps 5", kDesignHelp},
          {"design --type lowpass --cutoff 1000 --rate 1500 --taps 5", kDesignHelp},
          {"design --type highpass --cutoff 0.1 --taps 64", "odd length"},
          {"design --type bandpass --cutoff 0.1 --taps 65", kDesignHelp},
          {"design --type bandpass --cutoff 0.3,0.2 --taps 65", kDesignHelp},
          {"design --type lowpass --cutoff 0.1 --taps 65536", "65535"},
          {"design --type lowpass --cutoff 0.1 --taps 0", kDesignHelp},
          {"design --type lowpass --cutoff 0.1 --taps 11 --window hann --atten 60", kDesignHelp},
          {"design --type lowpass --cutoff 0.1 --taps 11 --window kaiser --atten 60 --beta 3",
           kDesignHelp},
          {"design --type lowpass --cutoff 0.1 --window kaiser --atten 300 --transition 1e-6",
           kDesignHelp},
          {"design --type lowpass --cutoff 0.1 --taps 11 --window triangle", "'triangle'"}}) {
        const Outcome o = Tool(args);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_TRUE(o.err.starts_with("ravelin-cli: ")) << args << ": " << o.err;
        EXPECT_TRUE(o.err.find(word) != std::string::npos) << args << ": " << o.err;
        EXPECT_TRUE(std::count(o.err.begin(), o.err.end(), '\n') == 1) << args << ": " << o.err;
        EXPECT_TRUE(o.out.empty()) << args << ": " << o.err;
    }
    std::string values = "0";
    for (int i = 1; i <= kDemoSteps; ++i)
        values += ",0";
    const Outcome tooMany = Tool("demo --values " + values); // 21 of them
    EXPECT_EQ(tooMany.status, 2);
    EXPECT_NE(tooMany.err.find("1 to 20"), std::string::npos) << tooMany.err;
    EXPECT_EQ(dir.List(), std::vector<std::string>{"in.wav"});
}

// The response as CSV: the rows of the engine's figures, numbers the same in any locale.
TEST_F(Cli, ResponseCsv)
{
    EXPECT_NE(Tool("--help").out.find("  response  "), std::string::npos);
    const Outcome ma = Tool("response --preset ma5 --rate=8000 --points 11");
    EXPECT_EQ(ma.status, 0);
    std::istringstream lines(ma.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "frequency_hz,magnitude_db,phase_rad");
    std::vector<std::string> rows;
    while (std::getline(lines, line))
        rows.push_back(line);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[0], "0,0,0");
    EXPECT_TRUE(rows[4].starts_with("1600,-300,")) << rows[4]; // the null at fs/5
    EXPECT_TRUE(rows[10].starts_with("4000,-13.9794")) << rows[10];

    // Without a rate: cycles per sample, 513 points by default; the user's taps count.
    const Outcome user = Tool("response --preset user3 --taps 0,5,5 --coefs 0.8,0,0.2");
    EXPECT_TRUE(user.out.starts_with("frequency_cycles_per_sample,magnitude_db,phase_rad\n0,0,0\n"))
        << user.out.substr(0, 80);
    EXPECT_EQ(std::count(user.out.begin(), user.out.end(), '\n'), 514);
    EXPECT_EQ(user.out, Tool("response --preset echo5").out);
}

TEST_F(Cli, FilterAndDemo)
{
    // The default pass-through and the header's words on stdout: CliFault's
    // HugeDeclaredSize and CliLanguageTest.
    WriteFile(dir / "in.wav", MakeWav({1, 1, 22050}, Samples16({100, -200, 300, 0})));
    // y[n] = x[n] - 2 x[n-1]: the later entry for tap 1 wins.
    EXPECT_EQ(Tool("filter --preset user3 --taps 0,1,1 --coefs=1,0.5,-2 in.wav u.wav").status, 0);
    EXPECT_EQ(ReadBytes(dir / "u.wav"), MakeWav({1, 1, 22050}, Samples16({100, -400, 700, -600})));

    EXPECT_EQ(Tool("demo --preset ma5 --input impulse2 -o ma.txt").status, 0);
    EXPECT_EQ(ReadText(dir / "ma.txt"), FormatTextExport(Finished(kFilterMa5, kInputImpulse2),
                                                         TextEncoding::ShiftJis, "\r\n"));
    EXPECT_EQ(Tool("demo --preset 5 --input 0").out,
              FormatTextExport(Finished(kFilterLag2, kInputImpulse), TextEncoding::Utf8, "\n"));
    EXPECT_EQ(Tool("demo").out,
              FormatTextExport(Finished(kFilterPass, kInputTest), TextEncoding::Utf8, "\n"));
    // Values in place of an input preset: times -1 .. 18, zeros after the last given.
    CRavelinDoc values;
    values.m_nFilterPreset = kFilterEcho5;
    values.SetFileDemoInput(std::vector<double>{0.5, -0.25, 0.125});
    for (int i = 0; i < kDemoSteps; ++i)
        values.Advance();
    EXPECT_EQ(Tool("demo --preset echo5 --values 0.5,-0.25,0.125").out,
              FormatTextExport(values, TextEncoding::Utf8, "\n"));
    for (const char* args : {"demo --preset lpf4 --input test", "demo --input file",
                             "demo --preset lpf4 --values 1"}) {
        const Outcome no = Tool(args);
        EXPECT_EQ(no.status, 1) << args;
        EXPECT_NE(no.err.find("is not a demonstration pair"), std::string::npos) << no.err;
    }
    // Text that never reached standard output is a failure, not a silent success.
    for (const std::string args : {"presets", "demo", "filter in.wav x.wav"}) {
        const Outcome full = Tool(args + " >/dev/full");
        EXPECT_EQ(std::pair(full.status, full.err),
                  std::pair(1, std::string("ravelin-cli: can't write the standard output\n")))
            << args;
    }
}

// A run whose report cannot reach standard output fails before its output replaces the
// target: 0 is the only exit status that writes.
TEST_F(Cli, AFailingStandardOutputKeepsTheTarget)
{
    WriteFile(dir / "in.wav", MakeWav({}, Samples16({1, 2, 3})));
    WriteFile(dir / "out.wav", {'k', 'e', 'e', 'p'});
    for (const std::string target : {"out.wav", "new.wav", "in.wav"}) {
        const Bytes before = ReadBytes(dir / "in.wav");
        const Outcome o = Tool("filter in.wav " + target + " >/dev/full");
        EXPECT_EQ(o.status, 1) << target;
        EXPECT_EQ(ReadBytes(dir / "in.wav"), before) << target;
    }
    EXPECT_EQ(ReadText(dir / "out.wav"), "keep");
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

// More data than a WAV header can describe: refused with a word, nothing written (a
// sparse file; the size limit stops a run that would write gigabytes).
TEST_F(Cli, DataBeyondWhatAHeaderCanDescribeIsRefused)
{
    WriteFile(dir / "big.wav", WavHeaderBytes({1, 1, 8000, 16}, 0xFFFFFFFFu));
    fs::resize_file(dir / "big.wav", 44 + (std::uint64_t{1} << 32));
    const Outcome o = Shell(dir.Path(), "ulimit -f 64; $CLI filter big.wav out.wav");
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(o.err.ends_with("サンプル数: 2147483647\n"
                                "データがWAVファイルに書ける大きさを超えるため扱えません\n"))
        << o.err;
    EXPECT_EQ(dir.List(), std::vector<std::string>{"big.wav"});
}

// Under a tight memory limit (ulimit -v) a run either writes what it writes without a
// limit or says it cannot allocate memory; it never aborts inside FFTW, and never leaves
// a file behind. The limits swept start where the tool can start at all. Out of reach:
// a limit so tight that the C++ runtime cannot allocate the exception that reports it.
TEST_F(Cli, TightMemoryLimitsNeverAbortInsideFftw)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space";
    Bytes samples;
    for (int i = 0; i < 3 * 65536 + 7; ++i)
        Put(samples, static_cast<std::uint32_t>((i * 7919) % 65536), 2);
    WriteFile(dir / "in.wav", MakeWav({1, 1, 44100, 16}, samples));
    ASSERT_EQ(Tool("filter --preset lpf4 in.wav ref.wav").status, 0);
    const auto runs = [&](int kb, const std::string& command) {
        return Shell(dir.Path(), "ulimit -v " + std::to_string(kb) + "; " + command);
    };
    int low = 1024, high = 256 * 1024; // KiB: the tool cannot start at low, can at high
    ASSERT_EQ(runs(high, "$CLI --version").status, 0);
    while (high - low > 16) {
        const int mid = (low + high) / 2;
        (runs(mid, "$CLI --version").status == 0 ? high : low) = mid;
    }
    for (int kb = high; kb < high + 6 * 1024; kb += 128) {
        const Outcome o = runs(kb, "$CLI filter --preset lpf4 in.wav out.wav >/dev/null");
        EXPECT_EQ(o.err.find("fftw"), std::string::npos) << kb << " KiB: " << o.err;
        if (o.status == 0) {
            EXPECT_EQ(ReadBytes(dir / "out.wav"), ReadBytes(dir / "ref.wav")) << kb << " KiB";
        } else if (o.status == 1) {
            EXPECT_EQ(o.err, "error .... can't allocate memory for the file [in.wav]\n") << kb;
        }
        std::remove((dir / "out.wav").c_str());
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"in.wav", "ref.wav"})) << kb << " KiB";
    }
}

// A comma-decimal locale changes no byte of what the tool writes.
TEST_F(Cli, OutputIgnoresTheLocale)
{
    if (Shell(dir.Path(), "env LC_ALL=de_DE.UTF-8 printf '%.1f' 0,5").out != "0,5")
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/install-deps makes it)";
    WriteFile(dir / "in.wav", MakeWav({1, 1, 22050}, Samples16({100, -200, 300, 0})));
    for (const std::string args :
         {"demo --preset echo5", "demo --preset 2 -o r.txt && cat r.txt", "presets",
          "response --preset ma5 --rate 8000 --points 11",
          "filter --preset user3 --taps 0,1,1 --coefs=1,0.5,-2 in.wav u.wav && cat u.wav"}) {
        const Outcome c = Shell(dir.Path(), "export LC_ALL=C; $CLI " + args);
        const Outcome de = Shell(dir.Path(), "export LC_ALL=de_DE.UTF-8; $CLI " + args);
        EXPECT_EQ(std::tuple(de.status, de.out, de.err), std::tuple(0, c.out, std::string()))
            << args;
    }
}

// The message, and the system's reason on a line of its own when there is one.
std::string Err(const char* what, const std::string& path, const std::string& reason = "")
{
    return std::string("error .... ") + what + " the file [" + path + "]\n" +
           (reason.empty() ? "" : reason + "\n");
}
const char* const kMissing = "No such file or directory";
const char* const kFolder = "Is a directory";
const char* const kNotRegular = "Not a regular file";
const char* const kDenied = "Permission denied";
const char* const kOpen = "can't open";
const char* const kWrong = "found wrong WAVE format in";

// What a fault needs beyond an ordinary user's rights.
enum class Need { Nothing, OtherUser, PrivateMount };

// Each fault is a setup and a command line, run in a fresh folder that holds in.wav
// (40 KB), out.wav (an existing file) and the inputs below. The command must exit 1
// with just its message on stderr (or succeed where none is given) and leave the
// folder as the setup left it.
struct Fault {
    std::string name, setup, command, err;
    Need need = Need::Nothing;
};

void PrintTo(const Fault& f, std::ostream* os)
{
    *os << f.name;
}

std::vector<Fault> Faults()
{
    std::vector<Fault> faults = {
        // Inputs, refused at once: never a hang, never an endless read.
        {"MissingInput", "", "$CLI filter missing.wav out.wav",
         Err(kOpen, "missing.wav", kMissing)},
        {"FolderInput", "mkdir dir", "$CLI filter dir out.wav", Err(kOpen, "dir", kFolder)},
        {"FifoInput", "mkfifo fifo", "$CLI filter fifo out.wav", Err(kOpen, "fifo", kNotRegular)},
        {"OpenFifoInput", "mkfifo fifo", "exec 3<>fifo && $CLI filter fifo out.wav",
         Err(kOpen, "fifo", kNotRegular)},
        {"DevZeroInput", "", "$CLI filter /dev/zero out.wav", Err(kOpen, "/dev/zero", kNotRegular)},
        {"DevNullInput", "", "$CLI filter /dev/null out.wav", Err(kOpen, "/dev/null", kNotRegular)},
        {"LinkToDevZeroInput", "ln -s /dev/zero zero.wav", "$CLI filter zero.wav out.wav",
         Err(kOpen, "zero.wav", kNotRegular)},
        {"UnreadableInput", "chmod 200 in.wav", "nobody $CLI filter in.wav out.wav",
         Err(kOpen, "in.wav", kDenied), Need::OtherUser},
        {"EmptyInput", ": >e.wav", "$CLI filter e.wav out.wav", Err(kWrong, "e.wav")},
        {"BlockAlignZero", "", "$CLI filter align0.wav out.wav", Err(kWrong, "align0.wav")},
        {"BlockAlignFour", "", "$CLI filter align4.wav out.wav", Err(kWrong, "align4.wav")},
        {"StereoInput", "", "$CLI filter stereo.wav out.wav",
         "ファイル名: stereo.wav\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 2\n"
         "サンプリング周波数: 8000\n量子化ビット数: 16\nサンプル数: 2\n"
         "モノラルでないため扱えません\n"},
        {"TwentyFourBitInput", "", "$CLI filter 24.wav out.wav",
         "ファイル名: 24.wav\nフォーマットID: 1\nリニアPCM形式\nチャネル数: 1\n"
         "サンプリング周波数: 8000\n量子化ビット数: 24\nサンプル数: 3\n"
         "サンプルビット数が8あるいは16でないため扱えません\n"},
        // Declares almost 4 GiB over 11 bytes: the five samples present are filtered, in
        // memory that follows the file, not the header.
        {"HugeDeclaredSize", "",
         std::string(kAddressSanitizer ? "" : "ulimit -v 500000; ") +
             "$CLI filter huge.wav x.wav >/dev/null && cmp x.wav five.wav && rm x.wav",
         ""},
        // Past the size limit in the middle of long data, which the writer thread writes
        // past the page cache: the existing file stays, no temporary file.
        {"SizeLimitInLongData",
         "printf 'RIFF\\044\\000\\040\\002WAVEfmt \\020\\000\\000\\000\\001\\000\\001\\000"
         "\\100\\037\\000\\000\\200\\076\\000\\000\\002\\000\\020\\000data\\000\\000\\040\\002' "
         ">long.wav && head -c 35651584 /dev/zero >>long.wav",
         "ulimit -f 20000; $CLI filter long.wav out.wav >/dev/null",
         Err("can't write", "out.wav", "File too large")},
        // A full disk, outside the process: the existing file stays, no temporary file.
        {"FullDisk", "mkdir disk",
         "$UNSHARE sh -c 'mount -t tmpfs -o size=4k none disk || exit 77; echo keep >disk/o; "
         "$CLI filter in.wav disk/o; s=$?; ls -A disk >&2; cat disk/o >&2; exit $s'",
         Err("can't write", "disk/o", "No space left on device") + "o\nkeep\n",
         Need::PrivateMount}};
    // Outputs, for the file run and the text export alike.
    const char* lock = "mkdir locked && cp in.wav locked && chmod 666 locked/* && chmod 555 locked";
    for (const auto& [name, setup, prefix, out, what, reason] :
         {std::tuple("SizeLimitOverNew", "", "ulimit -f 1;", "out.wav", "can't write",
                     "File too large"),
          {"SizeLimitOverInput", "", "ulimit -f 1;", "in.wav", "can't write", "File too large"},
          {"LockedFolder", lock, "nobody", "locked/in.wav", kOpen, kDenied},
          {"LockedWorkingFolder", lock, "cd locked && nobody", "in.wav", kOpen, kDenied},
          {"Folder", "mkdir dir", "", "dir", kOpen, kFolder},
          {"FolderWithSlash", "mkdir dir", "", "dir/", kOpen, kFolder},
          {"Fifo", "mkfifo fifo", "", "fifo", kOpen, kNotRegular},
          {"LinkToFifo", "mkfifo fifo && ln -s fifo link", "", "link", kOpen, kNotRegular},
          {"DanglingLink", "ln -s nowhere/x.wav link", "", "link", kOpen, kMissing},
          {"MissingFolder", "", "", "no/out.wav", kOpen, kMissing}}) {
        const Need need = std::string_view(prefix).find("nobody") != std::string_view::npos
                              ? Need::OtherUser
                              : Need::Nothing;
        for (const auto& [tool, command] : {std::pair("FileRunOutput", " $CLI filter in.wav "),
                                            {"ExportOutput", " $CLI demo -o "}})
            faults.push_back({std::string(tool) + name, setup,
                              (std::string(prefix) += command) += out, Err(what, out, reason),
                              need});
    }
    return faults;
}

class CliFault : public testing::TestWithParam<Fault> {
  protected:
    // A message's first line, for a skip reason.
    static std::string Line(const std::string& text) { return text.substr(0, text.find('\n')); }

    // Runs the fault as another user: as root, nobody gets a copy of the tool in a
    // folder it can reach, since the build folder may be private. Empty with the
    // reason in why when the machine does not allow it.
    std::string ToolForOtherUser(std::string& why)
    {
        if (::geteuid() != 0)
            return RAVELIN_CLI; // "nobody" runs the command as this user
        fs::copy_file(RAVELIN_CLI, m_tool / "ravelin-cli");
        fs::permissions(m_tool / "ravelin-cli", fs::perms(0755));
        const Outcome probe = Shell(m_tool.Path(), "nobody test -x ravelin-cli");
        if (probe.status != 0) {
            why = "running as the user nobody is not possible here (" +
                  (probe.err.empty() ? "it cannot reach " + m_tool.Path() : Line(probe.err)) + ")";
            return {};
        }
        return m_tool / "ravelin-cli";
    }

    // The command that gives a private mount namespace where a tmpfs may be mounted:
    // root's own, else one in a user namespace. Empty with the reason when neither works.
    static std::string PrivateMount(std::string& why)
    {
        const TempDir probe;
        for (const char* unshare : {"unshare -m", "unshare -r -m"}) {
            const Outcome o = Shell(probe.Path(), std::string(unshare) +
                                                      " sh -c 'mkdir m && mount -t tmpfs none m'");
            if (o.status == 0)
                return unshare;
            why = Line(o.err);
        }
        why = "a private tmpfs mount needs CAP_SYS_ADMIN or user namespaces (" + why + ")";
        return {};
    }

    const TempDir m_tool;
};

TEST_P(CliFault, LosesNothing)
{
    const Fault& f = GetParam();
    std::string cli = RAVELIN_CLI, unshare = "unshare -m", why;
    if (f.need == Need::OtherUser && (cli = ToolForOtherUser(why)).empty())
        GTEST_SKIP() << why;
    if (f.need == Need::PrivateMount && (unshare = PrivateMount(why)).empty())
        GTEST_SKIP() << why;

    Bytes huge = MakeWav({}, Samples16({10, 20, 30, 40, 50}), 0xFFFFFFFEu);
    huge.push_back(0x55);
    const TempDir dir;
    for (const auto& [name, wav] : {std::pair("in.wav", MakeWav({}, Bytes(40000, 7))),
                                    {"out.wav", Bytes{'k', 'e', 'e', 'p'}},
                                    {"huge.wav", huge},
                                    {"five.wav", MakeWav({}, Samples16({10, 20, 30, 40, 50}))},
                                    {"align0.wav", MakeWav({1, 1, 8000, 16, 0}, Bytes(8))},
                                    {"align4.wav", MakeWav({1, 1, 8000, 16, 4}, Bytes(8))},
                                    {"stereo.wav", MakeWav({1, 2, 8000, 16}, Bytes(8))},
                                    {"24.wav", MakeWav({1, 1, 8000, 24}, Bytes(9))}})
        WriteFile(dir / name, wav);
    ASSERT_EQ(Shell(dir.Path(), f.setup.empty() ? "true" : f.setup).status, 0) << f.setup;
    const auto before = Snapshot(dir.Path());
    const Outcome o = Shell(dir.Path(), f.command, cli, unshare);
    if (o.status == 77)
        GTEST_SKIP() << "the private tmpfs could not be mounted: " << o.err;
    EXPECT_EQ(std::tuple(o.status, o.err), std::tuple(f.err.empty() ? 0 : 1, f.err)) << f.command;
    EXPECT_EQ(Snapshot(dir.Path()), before) << f.command;
}

INSTANTIATE_TEST_SUITE_P(, CliFault, testing::ValuesIn(Faults()),
                         [](const testing::TestParamInfo<Fault>& tested) {
                             return tested.param.name;
                         });

} // namespace
} // namespace ravelin
