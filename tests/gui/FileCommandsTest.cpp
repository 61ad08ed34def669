// The file run and the text export of the engine, answered through the Qt prompts'
// dialogs as a user would answer them.
#include "DialogDriver.h"
#include "control/QtUserPrompts.h"
#include "engine/Commands.h"
#include "engine/RavelinDoc.h"
#include "engine/RunCommands.h"
#include "files/FileRun.h"
#include "files/TextExport.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

using ravelin::RunResult;

namespace {

void PutLE(QByteArray& b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// A canonical WAV file: 44-byte header, then the sample bytes.
QByteArray MakeWav(int channels, int bits, const QByteArray& data, int rate = 8000)
{
    const int align = channels * bits / 8;
    QByteArray b("RIFF");
    PutLE(b, 36 + data.size(), 4);
    b += "WAVEfmt ";
    PutLE(b, 16, 4);
    PutLE(b, 1, 2);
    PutLE(b, channels, 2);
    PutLE(b, rate, 4);
    PutLE(b, rate * align, 4);
    PutLE(b, align, 2);
    PutLE(b, bits, 2);
    b += "data";
    PutLE(b, data.size(), 4);
    return b + data;
}

QByteArray Samples16(const std::vector<qint16>& samples)
{
    QByteArray b;
    for (qint16 s : samples)
        PutLE(b, quint16(s), 2);
    return b;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Listing(const QTemporaryDir& dir)
{
    return QDir(dir.path())
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// What a message box showed.
struct Shown {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Records a message box and presses its OK.
auto Record(Shown& into)
{
    return [&into](QMessageBox* box) {
        into = {box->text(), box->windowTitle(), box->icon()};
        ClickButton(box, QMessageBox::Ok);
    };
}

// Presses the progress dialog's Cancel the first time the user could see it.
class CancellingPrompts : public CQtUserPrompts {
  public:
    using CQtUserPrompts::CQtUserPrompts;
    bool clicked = false;
    bool Progress(std::uint64_t done, std::uint64_t total) override
    {
        const bool goOn = CQtUserPrompts::Progress(done, total);
        QProgressDialog* dialog = ProgressDialog();
        if (!clicked && dialog && dialog->isVisible()) {
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("キャンセル")) {
                    QTest::mouseClick(b, Qt::LeftButton);
                    clicked = true;
                }
        }
        return goOn;
    }
};

} // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void fileRunThroughItsDialogs();
    void fileRunDelaysTheSignal();
    void stereoFileIsRefusedWithAnErrorBox();
    void wrongFormatIsRefused();
    void cancelledSaveDialogWritesNothing();
    void cancelledProgressWritesNothing();
    void textExportWritesTheExactBytes();
    void textExportErrorBox();

  private:
    QTemporaryDir m_dir;
};

void FileCommandsTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void FileCommandsTest::fileRunThroughItsDialogs()
{
    const QString in = m_dir.filePath("voice.wav");
    const QString out = m_dir.filePath("voice-pass.wav");
    const QByteArray wav = MakeWav(1, 16, Samples16({0, 1000, -1000, 32767, -32768, 5, -5}));
    WriteFile(in, wav);

    ravelin::CRavelinDoc doc; // pass-through is the document's filter
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    Shown info, done;
    DialogDriver driver;
    driver.OnA<QFileDialog>(
        [&](QFileDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("モノラル*.wavの読み込み"));
            QCOMPARE(d->fileMode(), QFileDialog::ExistingFile);
            QCOMPARE(d->nameFilters(), QStringList({"wav Files (*.wav *.WAV)", "All Files (*)"}));
            TypeFileName(d, in);
        },
        "open dialog");
    driver.OnA<QMessageBox>(Record(info), "information box");
    driver.OnA<QFileDialog>(
        [&](QFileDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("*.wavへの保存"));
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
            TypeFileName(d, out);
        },
        "save dialog");
    driver.OnA<QMessageBox>(Record(done), "completion box");

    QCOMPARE(ravelin::RunFileFilter(doc, prompts), RunResult::Done);
    QVERIFY2(driver.Finished(), qPrintable(driver.Pending()));
    QCOMPARE(doc.m_nRunMode, ravelin::RUN_IDLE);

    QCOMPARE(info.title, QStringLiteral("入力ファイル情報"));
    QCOMPARE(info.icon, QMessageBox::NoIcon);
    QCOMPARE(info.text, QStringLiteral("ファイル名: %1\n"
                                       "フォーマットID: 1\n"
                                       "リニアPCM形式\n"
                                       "チャネル数: 1\n"
                                       "サンプリング周波数: 8000\n"
                                       "量子化ビット数: 16\n"
                                       "サンプル数: 7")
                            .arg(in));
    QCOMPARE(done.title, out);
    QCOMPARE(done.text, QStringLiteral("ファイル保存が終了しました"));
    QCOMPARE(done.icon, QMessageBox::NoIcon);
    // Pass-through: the same file, byte for byte.
    QCOMPARE(ReadFile(out), wav);
}

void FileCommandsTest::fileRunDelaysTheSignal()
{
    // An 8-bit file through the five-sample delay chosen in the settings.
    const QString in = m_dir.filePath("click.wav");
    const QString out = m_dir.filePath("click-delayed.wav");
    QByteArray samples(12, char(128));
    samples[0] = char(255);
    samples[2] = char(0);
    WriteFile(in, MakeWav(1, 8, samples, 11025));

    ravelin::CRavelinDoc doc;
    ravelin::SettingsValues settings = doc.Settings();
    settings.nFilter = ravelin::FILTER_DELAY5;
    doc.ApplySettings(settings);
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    Shown info, done;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, in); }, "open dialog");
    driver.OnA<QMessageBox>(Record(info), "information box");
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, out); }, "save dialog");
    driver.OnA<QMessageBox>(Record(done), "completion box");
    QCOMPARE(ravelin::RunFileFilter(doc, prompts), RunResult::Done);
    QVERIFY(driver.Finished());
    QVERIFY(info.text.contains(QStringLiteral("量子化ビット数: 8\n")));
    QVERIFY(info.text.contains(QStringLiteral("サンプリング周波数: 11025\n")));

    QByteArray expected(12, char(128));
    expected[5] = char(255);
    expected[7] = char(0);
    QCOMPARE(ReadFile(out).mid(44), expected);
}

void FileCommandsTest::stereoFileIsRefusedWithAnErrorBox()
{
    const QString in = m_dir.filePath("stereo.wav");
    const QString out = m_dir.filePath("stereo-out.wav");
    WriteFile(in, MakeWav(2, 16, Samples16({1, 2, 3, 4})));
    const QStringList before = Listing(m_dir);

    ravelin::CRavelinDoc doc;
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    Shown error;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, in); }, "open dialog");
    driver.OnA<QMessageBox>(Record(error), "error box");
    QCOMPARE(ravelin::RunFileFilter(doc, prompts), RunResult::Refused);
    QVERIFY(driver.Finished());

    QCOMPARE(error.title, QStringLiteral("エラー"));
    QCOMPARE(error.icon, QMessageBox::Critical);
    QVERIFY(error.text.startsWith(QStringLiteral("ファイル名: %1\n").arg(in)));
    QVERIFY(error.text.contains(QStringLiteral("チャネル数: 2\n")));
    QVERIFY(error.text.endsWith(QStringLiteral("サンプル数: 2\nモノラルでないため扱えません")));
    QCOMPARE(Listing(m_dir), before);
    QCOMPARE(doc.m_nRunMode, ravelin::RUN_IDLE);
}

void FileCommandsTest::wrongFormatIsRefused()
{
    const QString in = m_dir.filePath("notes.wav");
    WriteFile(in, "this is not a sound file at all, only text of some length");
    ravelin::CRavelinDoc doc;
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    Shown error;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, in); }, "open dialog");
    driver.OnA<QMessageBox>(Record(error), "error box");
    QCOMPARE(ravelin::RunFileFilter(doc, prompts), RunResult::Refused);
    QVERIFY(driver.Finished());
    QCOMPARE(error.title, QStringLiteral("エラー"));
    QCOMPARE(error.icon, QMessageBox::Critical);
    QCOMPARE(error.text,
             QStringLiteral("error .... found wrong WAVE format in the file [%1]").arg(in));
}

void FileCommandsTest::cancelledSaveDialogWritesNothing()
{
    const QString in = m_dir.filePath("short.wav");
    WriteFile(in, MakeWav(1, 16, Samples16({1, 2, 3})));
    const QStringList before = Listing(m_dir);
    ravelin::CRavelinDoc doc;
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    Shown info;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, in); }, "open dialog");
    driver.OnA<QMessageBox>(Record(info), "information box");
    driver.OnA<QFileDialog>([](QFileDialog* d) { d->reject(); }, "save dialog");
    QCOMPARE(ravelin::RunFileFilter(doc, prompts), RunResult::Cancelled);
    QVERIFY(driver.Finished());
    QCOMPARE(Listing(m_dir), before);
}

void FileCommandsTest::cancelledProgressWritesNothing()
{
    // Long enough for several progress reports; the output exists already and the
    // user agrees to replace it, then cancels while it filters.
    const QString in = m_dir.filePath("long.wav");
    const QString out = m_dir.filePath("long-out.wav");
    std::vector<qint16> samples(400000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = qint16((i * 37) % 2000 - 1000);
    WriteFile(in, MakeWav(1, 16, Samples16(samples), 44100));
    WriteFile(out, "previous contents");
    const QStringList before = Listing(m_dir);

    ravelin::CRavelinDoc doc;
    ravelin::SettingsValues settings = doc.Settings();
    settings.nFilter = ravelin::FILTER_LPF4;
    doc.ApplySettings(settings);
    CancellingPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    prompts.SetProgressDelay(0);
    Shown info;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, in); }, "open dialog");
    driver.OnA<QMessageBox>(Record(info), "information box");
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, out); }, "save dialog");
    driver.OnA<QMessageBox>([](QMessageBox* box) { ClickButton(box, QMessageBox::Yes); },
                            "replace question");
    QCOMPARE(ravelin::RunFileFilter(doc, prompts), RunResult::Cancelled);
    QVERIFY(driver.Finished());
    QVERIFY(prompts.clicked);
    QCOMPARE(ReadFile(out), QByteArray("previous contents"));
    QCOMPARE(Listing(m_dir), before); // no temporary file left either
    QVERIFY(!prompts.ProgressDialog() || !prompts.ProgressDialog()->isVisible());
    QCOMPARE(doc.m_nRunMode, ravelin::RUN_IDLE);
}

void FileCommandsTest::textExportWritesTheExactBytes()
{
    ravelin::CRavelinDoc doc;
    ravelin::SettingsValues settings = doc.Settings();
    settings.nFilter = ravelin::FILTER_PASS;
    settings.nInput = ravelin::INPUT_IMPULSE;
    doc.ApplySettings(settings);
    for (int i = 0; i < ravelin::DEMO_STEPS; ++i)
        QVERIFY(ravelin::ExecuteRunCommand(doc, ravelin::ID_RUN_STEP));
    QCOMPARE(doc.m_nStep, 20);

    const QString path = m_dir.filePath("result"); // typed without an extension
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    DialogDriver driver;
    driver.OnA<QFileDialog>(
        [&](QFileDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("アニメーション結果の*.txtへの保存"));
            QCOMPARE(d->nameFilters(), QStringList({"Text File (*.txt *.TXT)", "All Files (*)"}));
            TypeFileName(d, path);
        },
        "save dialog");
    QCOMPARE(ravelin::RunTextExport(doc, prompts), RunResult::Done);
    QVERIFY(driver.Finished());
    QVERIFY(!QFile::exists(path + ".txt"));

    // Shift_JIS headings, CR LF line ends, the impulse at time 0 through pass-through.
    QByteArray expected;
    expected += "\x83\x5E\x83\x62\x83\x76\x8C\x57\x90\x94\r\n"; // タップ係数
    expected += "\x8C\x57\x90\x94\x94\xD4\x8D\x86\x81\x40\x83\x5E\x83\x62\x83\x76\x8C\x57\x90\x94"
                "\r\n"; // 係数番号　タップ係数
    for (int k = 0; k < 10; ++k)
        expected += QStringLiteral("%1  %2\r\n")
                        .arg(k, 8)
                        .arg(k == 0 ? "1.00000" : "0.00000", 10)
                        .toLatin1();
    expected += "\r\n";
    expected += "\x83\x41\x83\x6A\x83\x81\x81\x5B\x83\x56\x83\x87\x83\x93\x82\xCC\x8C\x8B\x89\xCA"
                "\r\n"; // アニメーションの結果
    expected += "\x8E\x9E\x8D\x8F\x81\x40\x93\xFC\x97\xCD\x90\x4D\x8D\x86\x81\x40\x8F\x6F\x97\xCD"
                "\x90\x4D\x8D\x86\r\n"; // 時刻　入力信号　出力信号
    for (int t = -1; t <= 18; ++t) {
        const char* v = t == 0 ? " 1.000" : " 0.000";
        expected += QStringLiteral("%1    %2    %3\r\n").arg(t, 4).arg(v).arg(v).toLatin1();
    }
    QCOMPARE(ReadFile(path), expected);
}

void FileCommandsTest::textExportErrorBox()
{
    ravelin::CRavelinDoc doc;
    for (int i = 0; i < ravelin::DEMO_STEPS; ++i)
        ravelin::ExecuteRunCommand(doc, ravelin::ID_RUN_STEP);
    const QString path = m_dir.filePath("no-such-folder/result.txt");
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    Shown error;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, path); }, "save dialog");
    driver.OnA<QMessageBox>(Record(error), "error box");
    QCOMPARE(ravelin::RunTextExport(doc, prompts), RunResult::Failed);
    QVERIFY2(driver.Finished(), qPrintable(driver.Pending()));
    QCOMPARE(error.title, QStringLiteral("エラー"));
    QCOMPARE(error.icon, QMessageBox::Critical);
    QCOMPARE(error.text, QStringLiteral("error .... can't open the file [%1]").arg(path));
    QVERIFY(!QFileInfo::exists(m_dir.filePath("no-such-folder")));
}

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
