// The settings dialog driven as a user would: clicks, typing, OK, Cancel, Esc.
#include "control/SettingsDlg.h"

#include "DialogDriver.h"
#include "engine/Commands.h"
#include "engine/RavelinDoc.h"
#include "engine/RunCommands.h"

#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>
#include <memory>

namespace {

QRadioButton* Filter(CSettingsDlg& dlg, int i)
{
    return dlg.findChild<QRadioButton*>(QStringLiteral("filter%1").arg(i));
}

QRadioButton* Input(CSettingsDlg& dlg, int i)
{
    return dlg.findChild<QRadioButton*>(QStringLiteral("input%1").arg(i));
}

QLineEdit* Field(CSettingsDlg& dlg, const QString& name)
{
    return dlg.findChild<QLineEdit*>(name);
}

const QStringList kFieldNames = {"tap0", "tap1", "tap2", "coef0", "coef1", "coef2"};

// The checked input button, -1 for none.
int CheckedInput(CSettingsDlg& dlg)
{
    for (int i = 0; i < CSettingsDlg::kInputCount; ++i)
        if (Input(dlg, i)->isChecked())
            return i;
    return -1;
}

int CheckedFilter(CSettingsDlg& dlg)
{
    for (int i = 0; i < CSettingsDlg::kFilterCount; ++i)
        if (Filter(dlg, i)->isChecked())
            return i;
    return -1;
}

// Enabled state of the six fields: all the same, or the test fails.
bool FieldsEnabled(CSettingsDlg& dlg)
{
    const bool first = Field(dlg, kFieldNames[0])->isEnabled();
    for (const QString& name : kFieldNames)
        if (Field(dlg, name)->isEnabled() != first)
            qWarning("field %s differs from tap0", qPrintable(name));
    return first;
}

bool AllFieldsEnabledEqual(CSettingsDlg& dlg)
{
    const bool first = Field(dlg, kFieldNames[0])->isEnabled();
    for (const QString& name : kFieldNames)
        if (Field(dlg, name)->isEnabled() != first)
            return false;
    return true;
}

// Opens the dialog as exec() would show it and lets it paint once.
void Open(CSettingsDlg& dlg)
{
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    dlg.repaint();
}

void TypeInto(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        QTest::keyClicks(field, text);
        return;
    }
    // Full-width characters arrive from an input method, committed in one go.
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(field, &commit);
}

void SetUserFilterValues(CSettingsDlg& dlg)
{
    dlg.m_nFilter = CSettingsDlg::kUserFilter;
    dlg.m_nInput = CSettingsDlg::kFileDataInput;
    dlg.m_nTap[0] = 0;
    dlg.m_nTap[1] = 100;
    dlg.m_nTap[2] = 200;
    dlg.m_dCoef[0] = 0.5;
    dlg.m_dCoef[1] = 0.25;
    dlg.m_dCoef[2] = -0.125;
}

// Counts what the document asks of its views.
struct CountingListener : ravelin::IDocListener {
    int updates = 0;
    int draws = 0;
    void UpdateAllViews() override { ++updates; }
    void PostDrawDiagram() override { ++draws; }
};

} // namespace

class SettingsDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void captionsAndObjects();
    void openingExchangeChecksAndShows();
    void openingWithNoChoiceChecksNothing();
    void numbersShowFifteenDigits();
    void filterClickRules_data();
    void filterClickRules();
    void clickSequencesKeepTheInputRule();
    void fileFilterOpenedLeavesInputsEnabled();
    void fieldsFollowTheFilterOnEveryPaint();
    void rangeChecks_data();
    void rangeChecks();
    void checksRunInExchangeOrder();
    void disabledFieldIsStillChecked();
    void typedValueShowsTheSameNextTime();
    void enterIsOk();
    void cancelEscAndCloseChangeNothing_data();
    void cancelEscAndCloseChangeNothing();
    void exchangeOkResetsRunningDemonstration();
    void exchangeCancelLeavesDocumentAlone();
    void layoutFollowsTheTemplate();
    void tabOrderReachesButtonsAndFields();
};

void SettingsDlgTest::captionsAndObjects()
{
    CSettingsDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("動作の設定"));
    QCOMPARE(dlg.m_nFilter, -1);
    QCOMPARE(dlg.m_nInput, -1);
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(dlg.m_dCoef[k], 0.0);
        QCOMPARE(dlg.m_nTap[k], 0);
    }

    const QStringList filters = {"通過δ(t)",
                                 "ディレイδ(t-5)",
                                 "エコー0.8δ(t)+0.2δ(t-5)",
                                 "移動平均５",
                                 "一次遅れ要素",
                                 "二次遅れ要素",
                                 "ディレイδ(t-1023) *",
                                 "エコー0.9δ(t)+0.2δ(t-1023) *",
                                 "低域通過フィルタ1/4",
                                 "低域通過フィルタ1/8",
                                 "低域通過フィルタ1/20",
                                 "ユーザ設定３タップ係数フィルタ"};
    for (int i = 0; i < filters.size(); ++i)
        QCOMPARE(Filter(dlg, i)->text(), filters[i]);
    const QStringList inputs = {"単位インパルス関数", "２×単位インパルス関数", "単純テスト信号",
                                "ファイルデータ *"};
    for (int i = 0; i < inputs.size(); ++i)
        QCOMPARE(Input(dlg, i)->text(), inputs[i]);

    QStringList titles;
    for (QGroupBox* box : dlg.findChildren<QGroupBox*>())
        titles << box->title();
    titles.sort();
    QStringList expected = {"ディジタルフィルタ係数設定", "入力信号設定",
                            "ファイル入力ファイル出力動作専用", "ファイル入力ファイル出力動作専用"};
    expected.sort();
    QCOMPARE(titles, expected);

    QStringList labels;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("タップ番号")));
    QVERIFY(labels.contains(QStringLiteral("係数")));

    auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("ok"));
    auto* cancel = dlg.findChild<QPushButton*>(QStringLiteral("cancel"));
    QVERIFY(ok && cancel);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QVERIFY(ok->isDefault());
    for (const QString& name : kFieldNames) {
        QVERIFY2(Field(dlg, name), qPrintable(name));
        QCOMPARE(Field(dlg, name)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }
}

void SettingsDlgTest::openingExchangeChecksAndShows()
{
    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    dlg.m_nFilter = 8;
    dlg.m_nInput = 1;
    Open(dlg);
    QCOMPARE(CheckedFilter(dlg), 8);
    QCOMPARE(CheckedInput(dlg), 1);
    QCOMPARE(Field(dlg, "tap0")->text(), QStringLiteral("0"));
    QCOMPARE(Field(dlg, "tap1")->text(), QStringLiteral("100"));
    QCOMPARE(Field(dlg, "tap2")->text(), QStringLiteral("200"));
    QCOMPARE(Field(dlg, "coef0")->text(), QStringLiteral("0.5"));
    QCOMPARE(Field(dlg, "coef1")->text(), QStringLiteral("0.25"));
    QCOMPARE(Field(dlg, "coef2")->text(), QStringLiteral("-0.125"));

    // Pressing OK untouched hands back exactly what came in.
    QTest::mouseClick(dlg.findChild<QPushButton*>("ok"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_nFilter, 8);
    QCOMPARE(dlg.m_nInput, 1);
    QCOMPARE(dlg.m_nTap[1], 100);
    QCOMPARE(dlg.m_dCoef[2], -0.125);
}

void SettingsDlgTest::openingWithNoChoiceChecksNothing()
{
    // A second opening of the same dialog starts again from the members: -1 clears
    // what the first opening had checked.
    CSettingsDlg dlg;
    dlg.m_nFilter = 3;
    dlg.m_nInput = 2;
    Open(dlg);
    QCOMPARE(CheckedFilter(dlg), 3);
    dlg.hide();

    dlg.m_nFilter = -1;
    dlg.m_nInput = -1;
    Open(dlg);
    QCOMPARE(CheckedFilter(dlg), -1);
    QCOMPARE(CheckedInput(dlg), -1);
    QVERIFY(!FieldsEnabled(dlg));
    QTest::mouseClick(dlg.findChild<QPushButton*>("ok"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_nFilter, -1);
    QCOMPARE(dlg.m_nInput, -1);
}

void SettingsDlgTest::numbersShowFifteenDigits()
{
    CSettingsDlg dlg;
    dlg.m_dCoef[0] = 1.0 / 6.0;
    dlg.m_dCoef[1] = 0.1;
    dlg.m_dCoef[2] = -2.0;
    dlg.m_nTap[2] = 8192;
    Open(dlg);
    QCOMPARE(Field(dlg, "coef0")->text(), QStringLiteral("0.166666666666667"));
    QCOMPARE(Field(dlg, "coef1")->text(), QStringLiteral("0.1"));
    QCOMPARE(Field(dlg, "coef2")->text(), QStringLiteral("-2"));
    QCOMPARE(Field(dlg, "tap2")->text(), QStringLiteral("8192"));
    // The start of a long number is what shows.
    QCOMPARE(Field(dlg, "coef0")->cursorPosition(), 0);
}

void SettingsDlgTest::filterClickRules_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("demoInputsEnabled");
    QTest::addColumn<int>("checkedInput");
    QTest::addColumn<bool>("fieldsEnabled");
    for (int i = 0; i < CSettingsDlg::kFilterCount; ++i) {
        const bool demo = i < CSettingsDlg::kFirstFileFilter;
        QTest::addRow("filter %d", i) << i << demo << (demo ? 1 : 3) << (i == 11);
    }
}

void SettingsDlgTest::filterClickRules()
{
    QFETCH(int, filter);
    QFETCH(bool, demoInputsEnabled);
    QFETCH(int, checkedInput);
    QFETCH(bool, fieldsEnabled);

    CSettingsDlg dlg;
    dlg.m_nFilter = 0;
    dlg.m_nInput = 1;
    Open(dlg);
    QTest::mouseClick(Filter(dlg, filter), Qt::LeftButton);

    const auto check = [&] {
        QCOMPARE(CheckedFilter(dlg), filter);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Input(dlg, i)->isEnabled(), demoInputsEnabled);
        QVERIFY(Input(dlg, 3)->isEnabled()); // never disabled
        QCOMPARE(CheckedInput(dlg), checkedInput);
        QVERIFY(AllFieldsEnabledEqual(dlg));
        QCOMPARE(FieldsEnabled(dlg), fieldsEnabled);
    };
    check();
    // Covering and uncovering repaints: nothing changes.
    dlg.repaint();
    QCoreApplication::processEvents();
    check();
}

void SettingsDlgTest::clickSequencesKeepTheInputRule()
{
    CSettingsDlg dlg;
    dlg.m_nFilter = 0;
    dlg.m_nInput = 0;
    Open(dlg);

    QTest::mouseClick(Filter(dlg, 9), Qt::LeftButton); // low-pass 1/8
    QCOMPARE(CheckedInput(dlg), 3);
    QVERIFY(!Input(dlg, 0)->isEnabled());

    // Back to a demonstration filter: the three come back, file data stays checked.
    QTest::mouseClick(Filter(dlg, 2), Qt::LeftButton);
    for (int i = 0; i < 3; ++i)
        QVERIFY(Input(dlg, i)->isEnabled());
    QCOMPARE(CheckedInput(dlg), 3);
    QTest::mouseClick(Input(dlg, 2), Qt::LeftButton);
    QCOMPARE(CheckedInput(dlg), 2);

    // The user filter: fields on, and they stay on through repaints.
    QTest::mouseClick(Filter(dlg, 11), Qt::LeftButton);
    QCOMPARE(CheckedInput(dlg), 3);
    QVERIFY(FieldsEnabled(dlg));
    dlg.repaint();
    QVERIFY(FieldsEnabled(dlg));
    // Any other filter turns them off.
    QTest::mouseClick(Filter(dlg, 10), Qt::LeftButton);
    QVERIFY(!FieldsEnabled(dlg));
    QTest::mouseClick(Filter(dlg, 11), Qt::LeftButton);
    QTest::mouseClick(Filter(dlg, 4), Qt::LeftButton);
    QVERIFY(!FieldsEnabled(dlg));

    QTest::mouseClick(dlg.findChild<QPushButton*>("ok"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_nFilter, 4);
    QCOMPARE(dlg.m_nInput, 3);
}

void SettingsDlgTest::fileFilterOpenedLeavesInputsEnabled()
{
    // Until a filter is clicked, the file-only rule is not applied: the user may
    // pick a demonstration input with a file-only filter and confirm it.
    CSettingsDlg dlg;
    dlg.m_nFilter = 7;
    dlg.m_nInput = 3;
    Open(dlg);
    for (int i = 0; i < 4; ++i)
        QVERIFY(Input(dlg, i)->isEnabled());
    QTest::mouseClick(Input(dlg, 0), Qt::LeftButton);
    QTest::mouseClick(dlg.findChild<QPushButton*>("ok"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_nFilter, 7);
    QCOMPARE(dlg.m_nInput, 0);
}

void SettingsDlgTest::fieldsFollowTheFilterOnEveryPaint()
{
    // Opened with the user filter: the first paint enables the fields, no click needed.
    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    Open(dlg);
    QVERIFY(FieldsEnabled(dlg));
    for (int i = 0; i < 4; ++i)
        QVERIFY(Input(dlg, i)->isEnabled()); // the input rule waits for a click

    // A filter checked without a click (the arrow keys move the check too) is
    // caught by the next paint.
    Filter(dlg, 5)->setChecked(true);
    dlg.repaint();
    QVERIFY(!FieldsEnabled(dlg));
    Filter(dlg, 11)->setChecked(true);
    dlg.repaint();
    QVERIFY(FieldsEnabled(dlg));

    // Opened with another filter: the first paint disables them.
    CSettingsDlg other;
    other.m_nFilter = 2;
    Open(other);
    QVERIFY(!FieldsEnabled(other));
}

void SettingsDlgTest::rangeChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: OK closes the dialog
    QTest::addColumn<double>("value");

    const QString tapRange = QStringLiteral("0 から 8192 までの整数を入力してください。");
    const QString notInt = QStringLiteral("整数を入力してください。");
    const QString coefRange = QStringLiteral("-2 から 2 までの数値を入力してください。");
    const QString notNumber = QStringLiteral("数値を入力してください。");

    QTest::newRow("tap 0") << "tap0"
                           << "0"
                           << "" << 0.0;
    QTest::newRow("tap 8192") << "tap1"
                              << "8192"
                              << "" << 8192.0;
    QTest::newRow("tap 8193") << "tap1"
                              << "8193" << tapRange << 0.0;
    QTest::newRow("tap -1") << "tap2"
                            << "-1" << tapRange << 0.0;
    QTest::newRow("tap huge") << "tap0"
                              << "99999999999" << tapRange << 0.0;
    QTest::newRow("tap fraction") << "tap2"
                                  << "2.5" << notInt << 0.0;
    QTest::newRow("tap word") << "tap0"
                              << "abc" << notInt << 0.0;
    QTest::newRow("tap empty") << "tap0"
                               << "" << notInt << 0.0;
    QTest::newRow("tap blanks") << "tap1"
                                << " 12 "
                                << "" << 12.0;
    QTest::newRow("tap full-width") << "tap1"
                                    << "８１９２"
                                    << "" << 8192.0;
    QTest::newRow("coef -2") << "coef0"
                             << "-2"
                             << "" << -2.0;
    QTest::newRow("coef 2") << "coef1"
                            << "2"
                            << "" << 2.0;
    QTest::newRow("coef 2.0001") << "coef1"
                                 << "2.0001" << coefRange << 0.0;
    QTest::newRow("coef -2.5") << "coef2"
                               << "-2.5" << coefRange << 0.0;
    QTest::newRow("coef exponent") << "coef2"
                                   << "1.5e-3"
                                   << "" << 0.0015;
    QTest::newRow("coef huge exponent") << "coef2"
                                        << "1e999" << coefRange << 0.0;
    QTest::newRow("coef tiny exponent") << "coef0"
                                        << "1e-999"
                                        << "" << 0.0;
    QTest::newRow("coef comma") << "coef0"
                                << "0,5" << notNumber << 0.0;
    QTest::newRow("coef nan") << "coef1"
                              << "nan" << notNumber << 0.0;
    QTest::newRow("coef inf") << "coef1"
                              << "inf" << coefRange << 0.0;
    QTest::newRow("coef empty") << "coef2"
                                << "" << notNumber << 0.0;
    QTest::newRow("coef full-width") << "coef2"
                                     << "－０．７５"
                                     << "" << -0.75;
}

void SettingsDlgTest::rangeChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(double, value);

    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    Open(dlg);
    QLineEdit* edit = Field(dlg, field);
    QVERIFY(edit->isEnabled());
    TypeInto(edit, text);
    QCOMPARE(edit->text(), text);

    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    DialogDriver driver;
    driver.OnA<QMessageBox>(
        [&](QMessageBox* box) {
            shown = box->text();
            icon = box->icon();
            ClickButton(box, QMessageBox::Ok);
        },
        "validation message");
    QTest::mouseClick(dlg.findChild<QPushButton*>("ok"), Qt::LeftButton);
    QVERIFY(!driver.TimedOut());

    const int k = field.right(1).toInt();
    if (message.isEmpty()) {
        QVERIFY2(shown.isEmpty(), qPrintable(shown));
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        if (field.startsWith("tap"))
            QCOMPARE(dlg.m_nTap[k], int(value));
        else
            QCOMPARE(dlg.m_dCoef[k], value);
        return;
    }
    QCOMPARE(shown, message);
    QCOMPARE(icon, QMessageBox::Warning);
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(dlg.focusWidget(), edit);
    QCOMPARE(edit->selectedText(), edit->text());
    // Nothing was handed over.
    QCOMPARE(dlg.m_nTap[1], 100);
    QCOMPARE(dlg.m_dCoef[0], 0.5);
}

void SettingsDlgTest::checksRunInExchangeOrder()
{
    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    Open(dlg);
    TypeInto(Field(dlg, "tap0"), "9000");
    TypeInto(Field(dlg, "coef2"), "3");
    TypeInto(Field(dlg, "coef1"), "x");

    QStringList messages;
    DialogDriver driver;
    const auto answer = [&](QMessageBox* box) {
        messages << box->text();
        ClickButton(box, QMessageBox::Ok);
    };
    driver.OnA<QMessageBox>(answer, "first").OnA<QMessageBox>(answer, "second");
    driver.OnA<QMessageBox>(answer, "third");
    auto* ok = dlg.findChild<QPushButton*>("ok");

    // Coefficients come before tap numbers, in field order.
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dlg.focusWidget(), Field(dlg, "coef1"));
    TypeInto(Field(dlg, "coef1"), "1");
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dlg.focusWidget(), Field(dlg, "coef2"));
    TypeInto(Field(dlg, "coef2"), "-1");
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dlg.focusWidget(), Field(dlg, "tap0"));
    QCOMPARE(messages,
             QStringList({"数値を入力してください。", "-2 から 2 までの数値を入力してください。",
                          "0 から 8192 までの整数を入力してください。"}));
    QVERIFY(dlg.isVisible());
    TypeInto(Field(dlg, "tap0"), "8000");
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(driver.Finished());
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.m_nTap[0], 8000);
    QCOMPARE(dlg.m_dCoef[1], 1.0);
    QCOMPARE(dlg.m_dCoef[2], -1.0);
}

void SettingsDlgTest::disabledFieldIsStillChecked()
{
    // Typed while the user filter was chosen, then greyed out by another filter:
    // the bad number still stops the OK.
    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    Open(dlg);
    TypeInto(Field(dlg, "tap1"), "9000");
    QTest::mouseClick(Filter(dlg, 1), Qt::LeftButton);
    QVERIFY(!Field(dlg, "tap1")->isEnabled());

    QString shown;
    DialogDriver driver;
    driver.OnA<QMessageBox>(
        [&](QMessageBox* box) {
            shown = box->text();
            ClickButton(box, QMessageBox::Ok);
        },
        "validation message");
    QTest::mouseClick(dlg.findChild<QPushButton*>("ok"), Qt::LeftButton);
    QCOMPARE(shown, QStringLiteral("0 から 8192 までの整数を入力してください。"));
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(dlg.m_nFilter, CSettingsDlg::kUserFilter);
}

void SettingsDlgTest::typedValueShowsTheSameNextTime()
{
    const QString typed = QStringLiteral("0.123456789012345");
    CSettingsDlg first;
    SetUserFilterValues(first);
    Open(first);
    TypeInto(Field(first, "coef1"), typed);
    QTest::mouseClick(first.findChild<QPushButton*>("ok"), Qt::LeftButton);
    QCOMPARE(first.result(), int(QDialog::Accepted));

    CSettingsDlg second;
    SetUserFilterValues(second);
    second.m_dCoef[1] = first.m_dCoef[1];
    Open(second);
    QCOMPARE(Field(second, "coef1")->text(), typed);
}

void SettingsDlgTest::enterIsOk()
{
    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    DialogDriver driver;
    driver.OnA<CSettingsDlg>(
        [](CSettingsDlg* d) {
            TypeInto(Field(*d, "tap2"), "4096");
            QTest::keyClick(Field(*d, "tap2"), Qt::Key_Return);
        },
        "settings dialog");
    QCOMPARE(dlg.exec(), int(QDialog::Accepted));
    QVERIFY(driver.Finished());
    QCOMPARE(dlg.m_nTap[2], 4096);
}

void SettingsDlgTest::cancelEscAndCloseChangeNothing_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("close box") << 2;
}

void SettingsDlgTest::cancelEscAndCloseChangeNothing()
{
    QFETCH(int, how);
    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    DialogDriver driver;
    driver.OnA<CSettingsDlg>(
        [how](CSettingsDlg* d) {
            TypeInto(Field(*d, "tap1"), "77");
            TypeInto(Field(*d, "coef0"), "9"); // even an invalid one
            QTest::mouseClick(Filter(*d, 3), Qt::LeftButton);
            QTest::mouseClick(Input(*d, 0), Qt::LeftButton);
            if (how == 0)
                QTest::mouseClick(d->findChild<QPushButton*>("cancel"), Qt::LeftButton);
            else if (how == 1)
                QTest::keyClick(Field(*d, "coef0"), Qt::Key_Escape);
            else
                d->close();
        },
        "settings dialog");
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QVERIFY(driver.Finished());
    QCOMPARE(dlg.m_nFilter, CSettingsDlg::kUserFilter);
    QCOMPARE(dlg.m_nInput, CSettingsDlg::kFileDataInput);
    QCOMPARE(dlg.m_nTap[1], 100);
    QCOMPARE(dlg.m_dCoef[0], 0.5);
}

void SettingsDlgTest::exchangeOkResetsRunningDemonstration()
{
    ravelin::CRavelinDoc doc;
    CountingListener listener;
    doc.SetListener(&listener);
    for (int i = 0; i < 3; ++i)
        QVERIFY(ravelin::ExecuteRunCommand(doc, ravelin::ID_TB_ANIMATE));
    QCOMPARE(doc.m_nStep, 3);
    QCOMPARE(doc.m_nRunMode, ravelin::RUN_ANIMATE);
    const int updatesBefore = listener.updates;

    DialogDriver driver;
    driver.OnA<CSettingsDlg>(
        [](CSettingsDlg* d) {
            // The document's presets arrived in the dialog.
            QCOMPARE(CheckedFilter(*d), int(ravelin::FILTER_PASS));
            QCOMPARE(CheckedInput(*d), int(ravelin::INPUT_TEST));
            QCOMPARE(Field(*d, "coef1")->text(), QStringLiteral("0.25"));
            QCOMPARE(Field(*d, "tap2")->text(), QStringLiteral("2"));
            QTest::mouseClick(Filter(*d, 11), Qt::LeftButton);
            TypeInto(Field(*d, "tap2"), "1023");
            TypeInto(Field(*d, "coef2"), "-1.5");
            QTest::mouseClick(d->findChild<QPushButton*>("ok"), Qt::LeftButton);
        },
        "settings dialog");
    QVERIFY(RunSettingsExchange(doc, nullptr));
    QVERIFY(driver.Finished());

    QCOMPARE(doc.m_nFilterPreset, int(ravelin::FILTER_USER3));
    QCOMPARE(doc.m_nInputPreset, int(ravelin::INPUT_FILE));
    QCOMPARE(doc.m_nUserTap[2], 1023);
    QCOMPARE(doc.m_dUserCoef[2], -1.5);
    QCOMPARE(doc.m_dUserCoef[1], 0.25);
    // The demonstration starts over and the animation stops.
    QCOMPARE(doc.m_nStep, 0);
    QCOMPARE(doc.m_nRunMode, ravelin::RUN_IDLE);
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(doc.m_in[i], 0.0);
        QCOMPARE(doc.m_out[i], 0.0);
    }
    QVERIFY(listener.updates > updatesBefore);
    doc.SetListener(nullptr);
}

void SettingsDlgTest::exchangeCancelLeavesDocumentAlone()
{
    ravelin::CRavelinDoc doc;
    for (int i = 0; i < 4; ++i)
        QVERIFY(ravelin::ExecuteRunCommand(doc, ravelin::ID_TB_ANIMATE));
    const auto settings = doc.Settings();
    const auto in = doc.m_in;
    const auto out = doc.m_out;

    DialogDriver driver;
    driver.OnA<CSettingsDlg>(
        [](CSettingsDlg* d) {
            QTest::mouseClick(Filter(*d, 11), Qt::LeftButton);
            TypeInto(Field(*d, "tap0"), "5");
            QTest::keyClick(Field(*d, "tap0"), Qt::Key_Escape);
        },
        "settings dialog");
    QVERIFY(!RunSettingsExchange(doc, nullptr));
    QVERIFY(driver.Finished());
    QCOMPARE(doc.m_nFilterPreset, settings.nFilter);
    QCOMPARE(doc.m_nInputPreset, settings.nInput);
    QCOMPARE(doc.m_nUserTap, settings.nTap);
    QCOMPARE(doc.m_dUserCoef, settings.dCoef);
    // The animation goes on where it was.
    QCOMPARE(doc.m_nStep, 4);
    QCOMPARE(doc.m_nRunMode, ravelin::RUN_ANIMATE);
    QVERIFY(doc.m_in == in);
    QVERIFY(doc.m_out == out);
}

void SettingsDlgTest::layoutFollowsTheTemplate()
{
    CSettingsDlg dlg;
    Open(dlg);
    const auto rectIn = [&](QWidget* w) { return QRect(w->mapTo(&dlg, QPoint(0, 0)), w->size()); };
    auto* filterBox = dlg.findChild<QGroupBox*>("filterBox");
    auto* fileFilterBox = dlg.findChild<QGroupBox*>("fileFilterBox");
    auto* inputBox = dlg.findChild<QGroupBox*>("inputBox");
    auto* fileInputBox = dlg.findChild<QGroupBox*>("fileInputBox");
    auto* ok = dlg.findChild<QPushButton*>("ok");
    auto* cancel = dlg.findChild<QPushButton*>("cancel");

    // Left half: the filters, the file-only frame at its bottom.
    QVERIFY(dlg.rect().contains(rectIn(filterBox)));
    QVERIFY(rectIn(filterBox).right() < dlg.width() / 2 + dlg.width() / 10);
    QVERIFY(rectIn(filterBox).contains(rectIn(fileFilterBox)));
    for (int i = 0; i < CSettingsDlg::kFilterCount; ++i) {
        QWidget* box = i < CSettingsDlg::kFirstFileFilter ? filterBox : fileFilterBox;
        QCOMPARE(Filter(dlg, i)->parentWidget(), box);
        QVERIFY2(rectIn(box).contains(rectIn(Filter(dlg, i))), qPrintable(Filter(dlg, i)->text()));
        // The caption is not cut off.
        QVERIFY2(Filter(dlg, i)->width() >= Filter(dlg, i)->sizeHint().width(),
                 qPrintable(Filter(dlg, i)->text()));
        if (i > 0)
            QVERIFY(rectIn(Filter(dlg, i)).top() >= rectIn(Filter(dlg, i - 1)).bottom());
    }
    QVERIFY(rectIn(Filter(dlg, 5)).bottom() < rectIn(fileFilterBox).top());

    // The fields: two columns of three rows under their headings, in the file-only frame.
    for (int k = 0; k < 3; ++k) {
        QLineEdit* tap = Field(dlg, QStringLiteral("tap%1").arg(k));
        QLineEdit* coef = Field(dlg, QStringLiteral("coef%1").arg(k));
        QCOMPARE(tap->parentWidget(), fileFilterBox);
        QVERIFY(rectIn(fileFilterBox).contains(rectIn(tap)));
        QVERIFY(rectIn(fileFilterBox).contains(rectIn(coef)));
        QCOMPARE(rectIn(tap).top(), rectIn(coef).top());
        QVERIFY(rectIn(tap).right() < rectIn(coef).left());
        QVERIFY(rectIn(tap).top() > rectIn(Filter(dlg, 11)).bottom());
        if (k > 0)
            QVERIFY(rectIn(tap).top() >
                    rectIn(Field(dlg, QStringLiteral("tap%1").arg(k - 1))).bottom());
    }
    for (QLabel* heading : fileFilterBox->findChildren<QLabel*>()) {
        QVERIFY(rectIn(heading).bottom() <= rectIn(Field(dlg, "tap0")).top());
        QVERIFY(heading->width() >= heading->sizeHint().width());
    }

    // Right half: OK and Cancel at the top right, then the inputs with the file frame.
    QVERIFY(rectIn(ok).left() > rectIn(filterBox).right());
    QVERIFY(rectIn(ok).bottom() < rectIn(cancel).top());
    QCOMPARE(rectIn(ok).left(), rectIn(cancel).left());
    QVERIFY(rectIn(ok).top() < rectIn(filterBox).top() + ok->height());
    QVERIFY(rectIn(ok).right() > dlg.width() * 9 / 10);
    QVERIFY(rectIn(inputBox).left() > rectIn(filterBox).right());
    QVERIFY(rectIn(inputBox).top() > rectIn(cancel).bottom());
    QVERIFY(dlg.rect().contains(rectIn(inputBox)));
    QVERIFY(rectIn(inputBox).contains(rectIn(fileInputBox)));
    for (int i = 0; i < CSettingsDlg::kInputCount; ++i) {
        QWidget* box = i == 3 ? fileInputBox : inputBox;
        QCOMPARE(Input(dlg, i)->parentWidget(), box);
        QVERIFY(rectIn(box).contains(rectIn(Input(dlg, i))));
        QVERIFY(Input(dlg, i)->width() >= Input(dlg, i)->sizeHint().width());
    }
    QVERIFY(rectIn(Input(dlg, 2)).bottom() < rectIn(fileInputBox).top());
    // The input frame starts level with the left file-only frame, as in the template.
    QVERIFY(qAbs(rectIn(inputBox).top() - rectIn(fileFilterBox).top()) <= ok->height() / 2);

    // A fixed size, about as wide as high (291 x 273 units).
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QVERIFY(dlg.width() > dlg.height() * 8 / 10 && dlg.width() < dlg.height() * 13 / 10);
}

void SettingsDlgTest::tabOrderReachesButtonsAndFields()
{
    CSettingsDlg dlg;
    SetUserFilterValues(dlg);
    Open(dlg);
    QWidget* w = dlg.findChild<QPushButton*>("ok");
    QStringList chain;
    for (int i = 0; i < 9; ++i) {
        chain << w->objectName();
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled())
            w = w->nextInFocusChain();
    }
    QCOMPARE(chain, QStringList(
                        {"ok", "cancel", "tap0", "tap1", "tap2", "coef0", "coef1", "coef2", "ok"}));
}

QTEST_MAIN(SettingsDlgTest)
#include "SettingsDlgTest.moc"
