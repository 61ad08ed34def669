// The file run and the text export, answered through the Qt prompts' dialogs as a
// user would answer them.

#include "GuiTestSupport.h"
#include "control/QtUserPrompts.h"
#include "engine/Commands.h"
#include "engine/RunCommands.h"
#include "files/TextExport.h"
#include "words/FileCommands.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

using namespace ravelin;

namespace {

// A canonical 16-bit WAV file at 8000 Hz: 44-byte header, then the samples.
QByteArray MakeWav(int channels, const std::vector<qint16>& samples)
{
    return ToQByteArray(test::MakeWav(
        {.channels = channels}, test::Samples16(std::vector<int>(samples.begin(), samples.end()))));
}

// What a message box showed.
struct ShownBox {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
};

// A step that records the message box and presses its OK.
ModalDriver::Step Record(ShownBox& into)
{
    return ModalDriver::On<QMessageBox>([&into](QMessageBox* box) {
        into = {box->text(), box->windowTitle(), box->icon(), box->textFormat()};
        ModalDriver::Press(QMessageBox::Ok)(box);
    });
}

// The prompts with Qt's own dialogs, which the driver types into; the eager kind shows
// its progress dialog as soon as a run starts.
class Prompts : public QtUserPrompts {
  public:
    explicit Prompts(bool eager = false)
    {
        SetUseNativeDialogs(false);
        if (eager)
            SetProgressDelay(0);
    }
};

// Waits on the run's thread, for up to ten seconds, until `ready` holds.
template <class F> bool WaitFor(F ready)
{
    for (int i = 0; i < 1000 && !ready(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ready();
}

// Holds a file run at its first block until released, and notes on which thread the
// run told it of its blocks.
class HeldRun : public IRunObserver {
  public:
    std::atomic<bool> holding{false}, released{false};
    std::atomic<bool> heldUntilReleased{false};
    std::thread::id thread;
    std::uint64_t seen = 0;

    void OnRunStart(const WavHeader&, std::uint64_t) override {}
    void OnRunBlock(std::uint64_t first, const std::int32_t*, const std::int32_t*, std::size_t n,
                    const std::uint32_t*, std::size_t) override
    {
        if (first == 0) {
            thread = std::this_thread::get_id();
            holding = true;
            heldUntilReleased = WaitFor([this] { return released.load(); });
        }
        seen += n;
    }
};

} // namespace

class TestFileCommands : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_dir;

    QString Write(const char* name, const QByteArray& bytes)
    {
        return WriteFile(m_dir.filePath(QString::fromLatin1(name)), bytes);
    }
    QStringList Listing() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

  private slots:
    void initTestCase()
    {
        IsolateSettings(); // the file dialogs keep their history in the settings
        QVERIFY(m_dir.isValid());
    }

    // Through the main window: the run mode shows from the first dialog on (file run
    // checked, step no longer), and is gone afterwards; the signals frame the run and
    // the completion box reports the clamped samples.
    void frameShowsTheRunAndSignalsIt()
    {
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        const auto frame = ShowMainFrame();
        CRavelinDoc& doc = frame->Document();
        ConfirmSettings(doc, kFilterUser3, kInputFile);
        doc.m_nUserTap = {0, 0, 0};
        doc.m_dUserCoef = {2, 2, 2};
        doc.m_nRunMode = kRunStep;
        frame->UpdateCommandUI();
        QAction* runFile = Action(frame.get(), "actionRunFile");
        QAction* step = Action(frame.get(), "actionRunStep");
        QVERIFY(step->isChecked());
        QVERIFY(!runFile->isChecked());

        const QString in = Write("loud.wav", MakeWav(1, {30000, -30000, 5}));
        const QString out = m_dir.filePath(QStringLiteral("loud-x2.wav"));
        QSignalSpy started(frame.get(), &CMainFrame::fileRunStarted);
        QSignalSpy finished(frame.get(), &CMainFrame::fileRunFinished);
        std::pair<bool, bool> during{false, true};
        ShownBox info, done;
        ModalDriver driver{ModalDriver::On<QFileDialog>([&](QFileDialog* dialog) {
                               during = {runFile->isChecked(), step->isChecked()};
                               QCOMPARE(started.count(), 1);
                               ModalDriver::TypeFileName(in)(dialog);
                           }),
                           Record(info), ModalDriver::TypeFileName(out), Record(done)};
        QVERIFY(frame->OnCommand(ID_RUN_FILE));
        QVERIFY(driver.done());
        QCOMPARE(during, std::pair(true, false));
        QVERIFY(!runFile->isChecked());
        QVERIFY(!step->isChecked());
        QCOMPARE(done.title, out);
        QCOMPARE(done.text,
                 QStringLiteral(
                     "ファイル保存が終了しました\nクリップしたサンプル: 2 (最初は 0.000 秒)"));
        QCOMPARE(ReadFile(out), MakeWav(1, {32767, -32768, 10}));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0), (QVariantList{in, out}));

        // Cancelled at the open dialog: begun, never finished.
        ModalDriver cancel(&ModalDriver::Close);
        QVERIFY(frame->OnCommand(ID_RUN_FILE));
        QVERIFY(cancel.done());
        QCOMPARE(started.count(), 2);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!runFile->isChecked());
    }

    void refusedInputShowsAnErrorBox()
    {
        // A name with markup in it must show as it is.
        const QString in = Write("<b>stereo.wav", MakeWav(2, {1, 2, 3, 4}));
        const QStringList before = Listing();
        CRavelinDoc doc;
        Prompts prompts;
        ShownBox error;
        ModalDriver driver{ModalDriver::TypeFileName(in), Record(error)};
        QCOMPARE(RunFileFilter(doc, prompts), RunResult::Refused);
        QVERIFY(driver.done());
        QCOMPARE(error.title, QStringLiteral("エラー"));
        QCOMPARE(error.icon, QMessageBox::Critical);
        QCOMPARE(error.format, Qt::PlainText);
        QVERIFY(error.text.startsWith(QStringLiteral("ファイル名: %1\n").arg(in)));
        QVERIFY(error.text.endsWith(QStringLiteral("モノラルでないため扱えません")));
        QCOMPARE(Listing(), before);
    }

    // Through Qt's dialogs, their words exact; the samples are filtered away from the
    // window's thread, whose timers go on firing in the middle of the run.
    void fileRunThroughItsDialogsOnAThreadOfItsOwn()
    {
        const QString in =
            Write("voice.wav", MakeWav(1, {1000, -1000, 32767, -32768, 5, -5, 7, 0, 0, 0, 0, 0}));
        const QString out = m_dir.filePath(QStringLiteral("voice-delayed.wav"));
        CRavelinDoc doc;
        ConfirmSettings(doc, kFilterDelay5, kInputTest);
        Prompts prompts;
        HeldRun held;
        // Only a timer of this thread's event loop releases the run, once it is held.
        QTimer release;
        connect(&release, &QTimer::timeout, [&held] {
            if (held.holding)
                held.released = true;
        });
        release.start(20);
        ShownBox info, done;
        ModalDriver driver{ModalDriver::TypeFileName(in), Record(info),
                           ModalDriver::TypeFileName(out), Record(done)};
        QCOMPARE(RunFileFilter(doc, prompts, nullptr, &held), RunResult::Done);
        QVERIFY(driver.done());
        QVERIFY(held.heldUntilReleased);
        QVERIFY(held.thread != std::thread::id());
        QVERIFY(held.thread != std::this_thread::get_id());
        QCOMPARE(held.seen, std::uint64_t(12));
        QVERIFY(!prompts.ProgressDialog()); // gone with the run

        QCOMPARE(info.title, QStringLiteral("入力ファイル情報"));
        QCOMPARE(info.text, QStringLiteral("ファイル名: %1\nフォーマットID: 1\nリニアPCM形式\n"
                                           "チャネル数: 1\nサンプリング周波数: 8000\n"
                                           "量子化ビット数: 16\nサンプル数: 12")
                                .arg(in));
        QCOMPARE(done.title, out);
        QCOMPARE(done.text, QStringLiteral("ファイル保存が終了しました"));
        // Five samples late, the extremes unchanged.
        QCOMPARE(ReadFile(out), MakeWav(1, {0, 0, 0, 0, 0, 1000, -1000, 32767, -32768, 5, -5, 7}));
        QCOMPARE(doc.m_nRunMode, kRunIdle);
    }

    void cancelledProgressWritesNothing()
    {
        // The output exists; the user agrees to replace it, then cancels the run, which
        // is held at its first block until the Cancel button has been pressed.
        std::vector<qint16> samples(400000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = qint16((i * 37) % 2000 - 1000);
        const QString in = Write("long.wav", MakeWav(1, samples));
        const QString out = Write("long-out.wav", "previous contents");
        const QStringList before = Listing();
        CRavelinDoc doc;
        ConfirmSettings(doc, kFilterLpf4, kInputTest);
        Prompts prompts(true);
        HeldRun held;
        ShownBox info;
        QString progressTitle, progressLabel, cancelText;
        ModalDriver driver{ModalDriver::TypeFileName(in), Record(info),
                           ModalDriver::TypeFileName(out), ModalDriver::Press(QMessageBox::Yes),
                           ModalDriver::On<QProgressDialog>([&](QProgressDialog* dialog) {
                               progressTitle = dialog->windowTitle();
                               progressLabel = dialog->labelText();
                               auto* cancel = dialog->findChild<QPushButton*>();
                               cancelText = cancel ? cancel->text() : QString();
                               QTest::mouseClick(cancel, Qt::LeftButton);
                               held.released = true;
                           })};
        QCOMPARE(RunFileFilter(doc, prompts, nullptr, &held), RunResult::Cancelled);
        QVERIFY(driver.done());
        QVERIFY(held.heldUntilReleased);
        QCOMPARE(progressTitle, QStringLiteral("ファイル-ファイル実行"));
        QCOMPARE(progressLabel, QStringLiteral("ファイルをフィルタリングしています..."));
        QCOMPARE(cancelText, QStringLiteral("キャンセル"));
        // Stopped at the next block, of the length that suits the low-pass filter.
        QCOMPARE(held.seen, std::uint64_t(doc.m_filter.Anticipate(kFileRunBlock, -32768, 32767)));
        QCOMPARE(ReadFile(out), QByteArray("previous contents"));
        QCOMPARE(Listing(), before); // no temporary file left either
    }

    // The dialog shows the share of the samples done; once they are all done it stays,
    // without a Cancel to press, until the work has returned.
    void progressShowsTheShareDone()
    {
        Prompts prompts(true);
        constexpr std::uint64_t kTotal = 400000;
        std::atomic<int> shown{-1};
        std::atomic<bool> cancelEnabled{true};
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (QProgressDialog* dialog = prompts.ProgressDialog()) {
                if (auto* cancel = dialog->findChild<QPushButton*>())
                    cancelEnabled = cancel->isEnabled();
                shown = dialog->isVisible() ? dialog->value() : -1;
            }
        });
        watch.start(5);
        std::vector<bool> reached;
        bool endedWithoutCancel = false;
        prompts.RunWithProgress([&](const IUserPrompts::WorkProgress& progress) {
            for (const std::uint64_t done : {std::uint64_t{100000}, std::uint64_t{300000}}) {
                progress(done, kTotal);
                const int expected = int(done * 1000 / kTotal);
                reached.push_back(WaitFor([&] { return shown.load() == expected; }));
            }
            progress(kTotal, kTotal);
            endedWithoutCancel = WaitFor([&] { return shown.load() == 1000 && !cancelEnabled; });
        });
        QCOMPARE(reached, (std::vector<bool>{true, true}));
        QVERIFY(endedWithoutCancel);
        QVERIFY(!prompts.ProgressDialog());
    }

    void textExportWritesTheExactBytes()
    {
        CRavelinDoc doc;
        ConfirmSettings(doc, kFilterPass, kInputImpulse);
        for (int i = 0; i < kDemoSteps; ++i)
            QVERIFY(ExecuteRunCommand(doc, ID_RUN_STEP));
        const QString path = m_dir.filePath(QStringLiteral("result")); // no extension added
        Prompts prompts;
        ModalDriver driver(ModalDriver::TypeFileName(path));
        QCOMPARE(RunTextExport(doc, prompts), RunResult::Done);
        QVERIFY(driver.done());

        // The file form, whose bytes the engine's tests pin: Shift_JIS and CR LF.
        const std::string expected = FormatTextExport(doc, TextEncoding::ShiftJis, "\r\n");
        QCOMPARE(ReadFile(path), QByteArray::fromStdString(expected));
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
