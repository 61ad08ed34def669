// The settings dialog and the About box, driven as a user would: clicks, typing,
// OK and Cancel.

#include "GuiTestSupport.h"
#include "app/AboutDlg.h"
#include "control/SettingsDlg.h"
#include "engine/Commands.h"
#include "engine/RunCommands.h"

#include <QPushButton>
#include <QtTest>

using namespace ravelin;

namespace {

QRadioButton* Filter(QDialog* dlg, int i)
{
    return dlg->findChild<QRadioButton*>(QStringLiteral("filter%1").arg(i));
}

QRadioButton* Input(QDialog* dlg, int i)
{
    return dlg->findChild<QRadioButton*>(QStringLiteral("input%1").arg(i));
}

QLineEdit* Field(QDialog* dlg, const char* name)
{
    return dlg->findChild<QLineEdit*>(QString::fromLatin1(name));
}

void Click(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void ClickOk(QDialog* dlg)
{
    Click(dlg->findChild<QPushButton*>(QStringLiteral("ok")));
}

void TypeInto(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// A demonstration three steps into its animation.
void StartDemonstration(CRavelinDoc& doc)
{
    for (int i = 0; i < 3; ++i)
        QVERIFY(ExecuteRunCommand(doc, ID_TB_ANIMATE));
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

  private:
    // The settings dialog as exec() shows it, painted once; tap1 holds 100, coef0 0.5.
    static void Open(CSettingsDlg& dlg, int filter, int input)
    {
        dlg.m_nFilter = filter;
        dlg.m_nInput = input;
        dlg.m_nTap[1] = 100;
        dlg.m_dCoef[0] = 0.5;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.repaint();
    }

  private slots:
    void initTestCase() { IsolateSettings(); }

    void filterClickSetsInputsAndFields_data()
    {
        QTest::addColumn<int>("filter");
        for (int i = 0; i < ravelin::kFilterCount; ++i)
            QTest::addRow("filter %d", i) << i;
    }

    void filterClickSetsInputsAndFields()
    {
        QFETCH(int, filter);
        const bool demo = filter < CSettingsDlg::kFirstFileFilter;
        CSettingsDlg dlg;
        Open(dlg, kFilterPass, kInputImpulse2);
        Click(Filter(&dlg, filter));
        for (int pass = 0; pass < 2; ++pass) { // and again after covering and uncovering
            QVERIFY(Filter(&dlg, filter)->isChecked());
            for (int i = 0; i < 3; ++i)
                QCOMPARE(Input(&dlg, i)->isEnabled(), demo);
            QVERIFY(Input(&dlg, kInputFile)->isEnabled());
            QVERIFY((demo ? Input(&dlg, kInputImpulse2) : Input(&dlg, kInputFile))->isChecked());
            for (const char* name : {"tap0", "tap1", "tap2", "coef0", "coef1", "coef2"})
                QVERIFY2(Field(&dlg, name)->isEnabled() == (filter == CSettingsDlg::kUserFilter),
                         name);
            dlg.repaint();
        }
    }

    void fileOnlyFilterOpenedLeavesAllInputsEnabled()
    {
        // Until a filter is clicked the file-only rule waits: a demonstration input
        // can be confirmed with a file-only filter.
        CSettingsDlg dlg;
        Open(dlg, kFilterEcho1023, kInputFile);
        for (int i = 0; i < 4; ++i)
            QVERIFY(Input(&dlg, i)->isEnabled());
        Click(Input(&dlg, kInputImpulse));
        ClickOk(&dlg);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_nFilter, int(kFilterEcho1023));
        QCOMPARE(dlg.m_nInput, int(kInputImpulse));
    }

    void valuesAreCheckedAtTheirBounds_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: accepted
        const QString tapRange = QStringLiteral("0 から 8192 までの整数を入力してください。");
        QTest::newRow("tap 8192") << QByteArray("tap1") << "8192"
                                  << "";
        QTest::newRow("tap 8193") << QByteArray("tap1") << "8193" << tapRange;
        QTest::newRow("coef -2") << QByteArray("coef0") << "-2"
                                 << "";
        QTest::newRow("coef 2.0001") << QByteArray("coef1") << "2.0001"
                                     << "-2 から 2 までの数値を入力してください。";
        QTest::newRow("tap fraction") << QByteArray("tap2") << "2.5"
                                      << "整数を入力してください。";
    }

    void valuesAreCheckedAtTheirBounds()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        CSettingsDlg dlg;
        Open(dlg, CSettingsDlg::kUserFilter, CSettingsDlg::kFileDataInput);
        QLineEdit* edit = Field(&dlg, field.constData());
        TypeInto(edit, text);
        QString shown;
        ModalDriver driver(ModalDriver::Note(shown));
        ClickOk(&dlg);
        QCOMPARE(shown, message);
        if (message.isEmpty()) {
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            const int k = field.back() - '0';
            QCOMPARE(field.startsWith("tap") ? double(dlg.m_nTap[k]) : dlg.m_dCoef[k],
                     text.toDouble());
            return;
        }
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.focusWidget(), edit);
        QCOMPARE(dlg.m_nTap[1], 100); // nothing handed over
        QCOMPARE(dlg.m_dCoef[0], 0.5);
    }

    // Under a comma-decimal locale the fields show and take the same numbers as anywhere.
    void fieldsIgnoreACommaDecimalLocale()
    {
        const CommaLocale comma;
        if (!comma.Active())
            QSKIP("the de_DE.UTF-8 locale is not installed (scripts/install-deps makes it)");
        CSettingsDlg dlg;
        dlg.m_dCoef[2] = -1.25e-7;
        Open(dlg, CSettingsDlg::kUserFilter, CSettingsDlg::kFileDataInput);
        QCOMPARE(Field(&dlg, "coef0")->text(), QStringLiteral("0.5"));
        QCOMPARE(Field(&dlg, "coef2")->text(), QStringLiteral("-1.25e-07"));
        QCOMPARE(Field(&dlg, "tap1")->text(), QStringLiteral("100"));
        QString shown;
        ModalDriver driver(ModalDriver::Note(shown));
        TypeInto(Field(&dlg, "coef1"), QStringLiteral("2.5"));
        ClickOk(&dlg);
        QCOMPARE(shown, QStringLiteral("-2 から 2 までの数値を入力してください。"));
        TypeInto(Field(&dlg, "coef1"), QStringLiteral("-0.125"));
        ClickOk(&dlg);
        QTRY_COMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.m_dCoef[1], -0.125);
    }

    void cancelAfterEditsLeavesTheDocumentAsItWas()
    {
        CRavelinDoc doc;
        StartDemonstration(doc);
        const SettingsValues before = doc.Settings();
        const auto out = doc.m_out;
        ModalDriver driver(ModalDriver::On<CSettingsDlg>([](CSettingsDlg* d) {
            Click(Filter(d, CSettingsDlg::kUserFilter));
            TypeInto(Field(d, "tap0"), "5");
            TypeInto(Field(d, "coef0"), "9"); // even an invalid one
            Click(d->findChild<QPushButton*>(QStringLiteral("cancel")));
        }));
        QVERIFY(!CSettingsDlg::DoDataExchange(doc, nullptr));
        QVERIFY(driver.done());
        const SettingsValues after = doc.Settings();
        QCOMPARE(after.filter, before.filter);
        QCOMPARE(after.input, before.input);
        QCOMPARE(after.tap, before.tap);
        QCOMPARE(after.coef, before.coef);
        QCOMPARE(doc.m_nStep, 3);
        QCOMPARE(doc.m_nRunMode, kRunAnimate);
        QVERIFY(doc.m_out == out);
    }

    void okResetsARunningDemonstration()
    {
        CRavelinDoc doc;
        StartDemonstration(doc);
        ModalDriver driver(ModalDriver::On<CSettingsDlg>([](CSettingsDlg* d) {
            Click(Filter(d, CSettingsDlg::kUserFilter));
            TypeInto(Field(d, "tap2"), "1023");
            TypeInto(Field(d, "coef2"), "-1.5");
            ClickOk(d);
        }));
        QVERIFY(CSettingsDlg::DoDataExchange(doc, nullptr));
        QVERIFY(driver.done());
        QCOMPARE(doc.m_nFilterPreset, int(kFilterUser3));
        QCOMPARE(doc.m_nInputPreset, int(kInputFile));
        QCOMPARE(doc.m_nUserTap[2], 1023);
        QCOMPARE(doc.m_dUserCoef[2], -1.5);
        QCOMPARE(doc.m_nStep, 0);
        QCOMPARE(doc.m_nRunMode, kRunIdle);
        for (double y : doc.m_out)
            QCOMPARE(y, 0.0);
    }

    // Both dialogs are laid out in 9-point IPA P Gothic, every control inside the
    // dialog, and the About icon shown whole.
    void dialogsUseTheJapaneseGothicAndHoldEveryControl()
    {
        CSettingsDlg settings;
        CAboutDlg about;
        for (QDialog* dlg : {static_cast<QDialog*>(&settings), static_cast<QDialog*>(&about)}) {
            dlg->show();
            QVERIFY(QTest::qWaitForWindowExposed(dlg));
            QCOMPARE(QFontInfo(dlg->font()).family(), QStringLiteral("IPAPGothic"));
            QCOMPARE(dlg->font().pointSize(), 9);
            for (QWidget* w : dlg->findChildren<QWidget*>()) {
                if (!w->isVisible() || w->isWindow())
                    continue;
                QCOMPARE(QFontInfo(w->font()).family(), QStringLiteral("IPAPGothic"));
                const QRect inDialog(w->mapTo(dlg, QPoint(0, 0)), w->size());
                QVERIFY2(dlg->rect().contains(inDialog), qPrintable(w->objectName()));
            }
        }
        auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
        const QSize side = icon->pixmap().deviceIndependentSize().toSize();
        QVERIFY(!side.isEmpty());
        QVERIFY2(icon->contentsRect().width() >= side.width() &&
                     icon->contentsRect().height() >= side.height(),
                 "the About icon is cut");
    }

    void aboutTextIsFixedAndReadOnly()
    {
        const QString text = CAboutDlg::BuildExplanation();
        QCOMPARE(text.size(), 520);
        QCOMPARE(text.count(QStringLiteral("\r\n")), 21);
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));

        CAboutDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* field = dlg.findChild<QPlainTextEdit*>(QStringLiteral("explanation"));
        QCOMPARE(field->document()->blockCount(), 21);
        const QString shown = field->toPlainText();
        field->setFocus();
        QTest::keyClicks(field, "abc");
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->toPlainText(), shown);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
