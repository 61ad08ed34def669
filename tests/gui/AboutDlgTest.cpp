// The About box: its help text, read-only field and the ways it closes.
#include "app/AboutDlg.h"

#include "DialogDriver.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

// Bytes in the Japanese code page: one for ASCII and half-width katakana, two otherwise.
int ShiftJisBytes(const QString& text)
{
    int bytes = 0;
    for (QChar c : text) {
        const ushort u = c.unicode();
        bytes += (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
    }
    return bytes;
}

QPlainTextEdit* Explanation(CAboutDlg& dlg)
{
    return dlg.findChild<QPlainTextEdit*>(QStringLiteral("explanation"));
}

} // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void helpTextHasItsLinesAndCharacters();
    void helpTextIsBuiltAfreshEachTime();
    void dialogShowsNameVersionAndText();
    void textCannotBeChangedButScrolls();
    void layoutFollowsTheTemplate();
    void okEnterEscAndCloseEndIt_data();
    void okEnterEscAndCloseEndIt();
    void stalledScriptClosesTheDialog();
};

void AboutDlgTest::helpTextHasItsLinesAndCharacters()
{
    const QString text = CAboutDlg::BuildExplanation();
    QCOMPARE(text.size(), 520);
    QCOMPARE(ShiftJisBytes(text), 967);
    QCOMPARE(text.count(QStringLiteral("\r\n")), 21);
    // Every line ends with CR LF, the last one too; no bare CR or LF anywhere.
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(text.count(QLatin1Char('\r')), 21);
    QCOMPARE(text.count(QLatin1Char('\n')), 21);
    QVERIFY(text.size() <= CAboutDlg::kMaxExplanationChars);

    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 22); // 21 lines and the empty rest after the last line end
    QCOMPARE(lines[0], QStringLiteral("FIR ディジタルフィルタのアニメーションとフィルタリング"));
    QVERIFY(lines[1].isEmpty());
    QVERIFY(lines[5].isEmpty());
    QVERIFY(lines[14].isEmpty());
    QCOMPARE(lines[3], lines[7]);
    QCOMPARE(lines[4], lines[15]);
    QCOMPARE(lines[8], lines[16]);
    QCOMPARE(lines[13], QStringLiteral("ツールバー上には「こま送り」「アニメーション」「速送り」「"
                                       "巻き戻し」のボタンがあります"));
    // Two pieces make one line, the arrow in the middle.
    QCOMPARE(lines[18],
             QStringLiteral("実行メニューから「ファイル-ファイル実行」を選ぶと入力WAVファイル選択"
                            "→出力力WAVファイルの順に動作します"));
    QCOMPARE(lines[20], QStringLiteral("（エコーフィルタがわかりやすいです．）"));
}

void AboutDlgTest::helpTextIsBuiltAfreshEachTime()
{
    CAboutDlg first;
    CAboutDlg second;
    QCOMPARE(first.m_strExplanation, CAboutDlg::BuildExplanation());
    QCOMPARE(second.m_strExplanation, first.m_strExplanation);
    QCOMPARE(Explanation(second)->toPlainText(), Explanation(first)->toPlainText());
}

void AboutDlgTest::dialogShowsNameVersionAndText()
{
    QApplication::setWindowIcon(QIcon(QPixmap(32, 32)));
    CAboutDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(Ravelin)"));
    QCOMPARE(dlg.findChild<QLabel*>("version")->text(), QStringLiteral("Ravelin Version 1.0"));
    auto* label = dlg.findChild<QLabel*>("explanationLabel");
    QCOMPARE(label->text(), QStringLiteral("説明"));
    QVERIFY(label->alignment() & Qt::AlignHCenter);
    QVERIFY(!dlg.findChild<QLabel*>("icon")->pixmap().isNull());
    auto* ok = dlg.findChild<QPushButton*>("ok");
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());

    // The field shows the 21 lines, the CR LF line ends taken as line breaks.
    QPlainTextEdit* field = Explanation(dlg);
    QCOMPARE(field->document()->blockCount(), 21);
    QString expected = dlg.m_strExplanation;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    expected.chop(1);
    QCOMPARE(field->toPlainText(), expected);
    QApplication::setWindowIcon(QIcon());
}

void AboutDlgTest::textCannotBeChangedButScrolls()
{
    CAboutDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QPlainTextEdit* field = Explanation(dlg);
    QVERIFY(field->isReadOnly());
    QCOMPARE(field->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(field->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(field->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    const QString before = field->toPlainText();
    field->setFocus();
    QTest::keyClicks(field, "abc");
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field->toPlainText(), before);

    // More rows than fit: it scrolls down, and long lines wrap rather than scroll sideways.
    QScrollBar* bar = field->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QTest::keyClick(field, Qt::Key_End, Qt::ControlModifier);
    QTRY_VERIFY(bar->value() > 0);
    int rows = 0;
    for (QTextBlock b = field->document()->begin(); b.isValid(); b = b.next())
        rows += b.layout()->lineCount();
    QVERIFY(rows > 21);
    // The user can still select and copy.
    field->selectAll();
    QCOMPARE(field->textCursor().selectedText().size(), before.size());
}

void AboutDlgTest::layoutFollowsTheTemplate()
{
    CAboutDlg dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* icon = dlg.findChild<QLabel*>("icon");
    auto* version = dlg.findChild<QLabel*>("version");
    auto* ok = dlg.findChild<QPushButton*>("ok");
    auto* label = dlg.findChild<QLabel*>("explanationLabel");
    QPlainTextEdit* field = Explanation(dlg);

    // Icon left, version beside it, OK at the top right, the label, the text below.
    QVERIFY(icon->geometry().right() < version->geometry().left());
    QVERIFY(version->geometry().right() < ok->geometry().left());
    QVERIFY(ok->geometry().right() > dlg.width() * 9 / 10);
    QVERIFY(ok->geometry().top() < version->geometry().bottom());
    QVERIFY(label->geometry().top() > version->geometry().bottom());
    QVERIFY(field->geometry().top() > label->geometry().bottom());
    QVERIFY(field->geometry().width() > dlg.width() * 9 / 10);
    QVERIFY(dlg.rect().contains(field->geometry()));
    QVERIFY(version->width() >= version->sizeHint().width());
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    // 195 x 173 units: a little wider than high.
    QVERIFY(dlg.width() > dlg.height() && dlg.width() < dlg.height() * 3 / 2);
    // Tab goes from OK to the text and back.
    QCOMPARE(ok->nextInFocusChain(), static_cast<QWidget*>(field));
}

void AboutDlgTest::okEnterEscAndCloseEndIt_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << 0 << int(QDialog::Accepted);
    QTest::newRow("Enter") << 1 << int(QDialog::Accepted);
    QTest::newRow("Esc") << 2 << int(QDialog::Rejected);
    QTest::newRow("close box") << 3 << int(QDialog::Rejected);
}

void AboutDlgTest::okEnterEscAndCloseEndIt()
{
    QFETCH(int, how);
    QFETCH(int, result);
    CAboutDlg dlg;
    DialogDriver driver;
    driver.OnA<CAboutDlg>(
        [how](CAboutDlg* d) {
            auto* ok = d->findChild<QPushButton*>("ok");
            if (how == 0)
                QTest::mouseClick(ok, Qt::LeftButton);
            else if (how == 1)
                QTest::keyClick(ok, Qt::Key_Return);
            else if (how == 2)
                QTest::keyClick(ok, Qt::Key_Escape);
            else
                d->close();
        },
        "About box");
    QCOMPARE(dlg.exec(), result);
    QVERIFY(driver.Finished());
    QCOMPARE(dlg.m_strExplanation, CAboutDlg::BuildExplanation());
}

void AboutDlgTest::stalledScriptClosesTheDialog()
{
    // The test driver itself: a step that never comes must not hang the test.
    CAboutDlg dlg;
    DialogDriver driver(300);
    driver.OnA<QPushButton>([](QPushButton*) {}, "something that never shows");
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QVERIFY(driver.TimedOut());
    QVERIFY(!driver.Finished());
    QCOMPARE(driver.Pending(), QStringLiteral("something that never shows"));
}

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
