// The Qt prompts on their own: file dialogs, message boxes and the progress dialog.
#include "control/QtUserPrompts.h"

#include "DialogDriver.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using ravelin::MessageIcon;

namespace {

constexpr const char* kWavFilter = "wav Files(*.wav)|*.wav|All Files(*.*)|*.*||";
constexpr const char* kTextFilter = "Text File(*.txt)|*.txt|All Files(*.*)|*.*||";

void Touch(const QString& path, const QByteArray& content = "x")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QPushButton* CancelButton(QProgressDialog* dialog)
{
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("キャンセル"))
            return b;
    return nullptr;
}

} // namespace

class QtUserPromptsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void nameFiltersFromTheWindowsForm();
    void openDialogReturnsAnExistingFile();
    void openDialogRefusesAMissingFile();
    void saveDialogTakesTheNameAsTyped();
    void saveDialogAsksBeforeReplacing();
    void messageBoxes_data();
    void messageBoxes();
    void progressShowsAndCancels();
    void quickRunShowsNoProgress();

  private:
    QTemporaryDir m_dir;
};

void QtUserPromptsTest::initTestCase()
{
    // The file dialog keeps its history in the user's settings: not the real ones.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void QtUserPromptsTest::nameFiltersFromTheWindowsForm()
{
    QCOMPARE(CQtUserPrompts::NameFilters(kWavFilter),
             QStringList({"wav Files (*.wav *.WAV)", "All Files (*)"}));
    QCOMPARE(CQtUserPrompts::NameFilters(kTextFilter),
             QStringList({"Text File (*.txt *.TXT)", "All Files (*)"}));
    QCOMPARE(CQtUserPrompts::NameFilters("Sound|*.wav;*.aif||ignored|*.x"),
             QStringList({"Sound (*.wav *.WAV *.aif *.AIF)"}));
    QCOMPARE(CQtUserPrompts::NameFilters(""), QStringList());
}

void QtUserPromptsTest::openDialogReturnsAnExistingFile()
{
    const QString path = m_dir.filePath(QStringLiteral("入力 1.wav"));
    Touch(path);
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);

    DialogDriver driver;
    driver.OnA<QFileDialog>(
        [&](QFileDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("モノラル*.wavの読み込み"));
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(d->fileMode(), QFileDialog::ExistingFile);
            QCOMPARE(d->nameFilters(), QStringList({"wav Files (*.wav *.WAV)", "All Files (*)"}));
            QCOMPARE(d->labelText(QFileDialog::Accept), QStringLiteral("開く(&O)"));
            TypeFileName(d, path);
        },
        "open dialog");
    const auto chosen = prompts.AskOpenPath("モノラル*.wavの読み込み", kWavFilter);
    QVERIFY(driver.Finished());
    QVERIFY(chosen.has_value());
    QCOMPARE(QString::fromStdString(*chosen), path);

    // Cancel gives nothing; the next dialog opens in the folder of the last one.
    DialogDriver cancel;
    cancel.OnA<QFileDialog>(
        [&](QFileDialog* d) {
            QCOMPARE(d->directory().absolutePath(), QDir(m_dir.path()).absolutePath());
            d->reject();
        },
        "open dialog");
    QVERIFY(!prompts.AskOpenPath("t", kWavFilter).has_value());
    QVERIFY(cancel.Finished());
}

void QtUserPromptsTest::openDialogRefusesAMissingFile()
{
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    bool warned = false;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, m_dir.filePath("missing.wav")); },
                            "open dialog");
    driver.OnA<QMessageBox>(
        [&](QMessageBox* box) {
            warned = true;
            QTest::keyClick(box, Qt::Key_Escape);
        },
        "file not found");
    driver.OnA<QFileDialog>([](QFileDialog* d) { d->reject(); }, "open dialog again");
    QVERIFY(!prompts.AskOpenPath("t", kWavFilter).has_value());
    QVERIFY(driver.Finished());
    QVERIFY(warned);
}

void QtUserPromptsTest::saveDialogTakesTheNameAsTyped()
{
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);
    const QString path = m_dir.filePath(QStringLiteral("result"));
    DialogDriver driver;
    driver.OnA<QFileDialog>(
        [&](QFileDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("アニメーション結果の*.txtへの保存"));
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
            QVERIFY(d->defaultSuffix().isEmpty());
            QCOMPARE(d->labelText(QFileDialog::Accept), QStringLiteral("保存(&S)"));
            TypeFileName(d, path);
        },
        "save dialog");
    const auto chosen = prompts.AskSavePath("アニメーション結果の*.txtへの保存", kTextFilter);
    QVERIFY(driver.Finished());
    QVERIFY(chosen.has_value());
    QCOMPARE(QString::fromStdString(*chosen), path); // no ".txt" added
    QVERIFY(!QFile::exists(path));                   // asking creates nothing
}

void QtUserPromptsTest::saveDialogAsksBeforeReplacing()
{
    const QString existing = m_dir.filePath(QStringLiteral("old.txt"));
    const QString other = m_dir.filePath(QStringLiteral("new.txt"));
    Touch(existing);
    CQtUserPrompts prompts;
    prompts.SetUseNativeDialogs(false);

    // "No" goes back to the dialog with the name still there; another name is taken.
    QString question;
    DialogDriver driver;
    driver.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, existing); }, "save dialog");
    driver.OnA<QMessageBox>(
        [&](QMessageBox* box) {
            question = box->text();
            QCOMPARE(box->windowTitle(), QStringLiteral("*.wavへの保存"));
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
            QCOMPARE(box->button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
            ClickButton(box, QMessageBox::No);
        },
        "replace question");
    driver.OnA<QFileDialog>(
        [&](QFileDialog* d) {
            auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(edit && edit->text().contains("old.txt"));
            TypeFileName(d, other);
        },
        "save dialog again");
    auto chosen = prompts.AskSavePath("*.wavへの保存", kWavFilter);
    QVERIFY2(driver.Finished(), qPrintable(driver.Pending()));
    QCOMPARE(QString::fromStdString(chosen.value_or("")), other);
    QCOMPARE(question, QStringLiteral("%1 は既に存在します。\n上書きしますか?").arg(existing));

    // "Yes" takes the existing file.
    DialogDriver yes;
    yes.OnA<QFileDialog>([&](QFileDialog* d) { TypeFileName(d, existing); }, "save dialog");
    yes.OnA<QMessageBox>([](QMessageBox* box) { ClickButton(box, QMessageBox::Yes); },
                         "replace question");
    chosen = prompts.AskSavePath("*.wavへの保存", kWavFilter);
    QVERIFY(yes.Finished());
    QCOMPARE(QString::fromStdString(chosen.value_or("")), existing);
}

void QtUserPromptsTest::messageBoxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("shownText");
    QTest::addColumn<QString>("shownCaption");
    QTest::addColumn<int>("shownIcon");

    QTest::newRow("error, no caption")
        << "error .... can't open the file [/a/<b>.wav]\n"
        << "" << int(MessageIcon::Error) << "error .... can't open the file [/a/<b>.wav]"
        << "エラー" << int(QMessageBox::Critical);
    QTest::newRow("error with caption") << "x"
                                        << "題" << int(MessageIcon::Error) << "x"
                                        << "題" << int(QMessageBox::Critical);
    QTest::newRow("information") << "ファイル名: a\nチャネル数: 1\n"
                                 << "入力ファイル情報" << int(MessageIcon::Information)
                                 << "ファイル名: a\nチャネル数: 1"
                                 << "入力ファイル情報" << int(QMessageBox::Information);
    QTest::newRow("no icon") << "ファイル保存が終了しました"
                             << "/tmp/out.wav" << int(MessageIcon::None)
                             << "ファイル保存が終了しました"
                             << "/tmp/out.wav" << int(QMessageBox::NoIcon);
}

void QtUserPromptsTest::messageBoxes()
{
    QFETCH(QString, text);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(QString, shownText);
    QFETCH(QString, shownCaption);
    QFETCH(int, shownIcon);

    CQtUserPrompts prompts;
    DialogDriver driver;
    driver.OnA<QMessageBox>(
        [&](QMessageBox* box) {
            QCOMPARE(box->text(), shownText);
            QCOMPARE(box->windowTitle(), shownCaption);
            QCOMPARE(int(box->icon()), shownIcon);
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(box->standardButtons(), QMessageBox::Ok);
            ClickButton(box, QMessageBox::Ok);
        },
        "message box");
    prompts.ShowMessage(text.toStdString(), caption.toStdString(), static_cast<MessageIcon>(icon));
    QVERIFY(driver.Finished());
}

void QtUserPromptsTest::progressShowsAndCancels()
{
    CQtUserPrompts prompts;
    prompts.SetProgressDelay(0);
    QProgressDialog* dialog = nullptr;
    std::uint64_t done = 0;
    for (; done < 1000; done += 10) {
        QVERIFY(prompts.Progress(done, 1000));
        dialog = prompts.ProgressDialog();
        if (dialog && dialog->isVisible())
            break;
        QTest::qWait(5);
    }
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QVERIFY(dialog->value() > 0 || done == 0);
    QPushButton* cancel = CancelButton(dialog);
    QVERIFY(cancel);

    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!prompts.Progress(done + 10, 1000));
    QVERIFY(!prompts.Progress(done + 20, 1000)); // stays cancelled for this run
    QVERIFY(!prompts.ProgressDialog()->isVisible());

    // A count that starts over is a new run.
    QVERIFY(prompts.Progress(0, 1000));
}

void QtUserPromptsTest::quickRunShowsNoProgress()
{
    CQtUserPrompts prompts; // the default delay
    for (std::uint64_t done = 0; done <= 100; done += 25) {
        QVERIFY(prompts.Progress(done, 100));
        QVERIFY(!prompts.ProgressDialog() || !prompts.ProgressDialog()->isVisible());
    }
    // Huge counts do not overflow the bar.
    QVERIFY(prompts.Progress(std::uint64_t{1} << 40, std::uint64_t{1} << 41));
    QCOMPARE(prompts.ProgressDialog()->value(), 500);
}

QTEST_MAIN(QtUserPromptsTest)
#include "QtUserPromptsTest.moc"
