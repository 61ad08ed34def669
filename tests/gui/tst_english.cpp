// The desktop program started with --lang en, as a user who reads no Japanese sees it:
// every text English, none cut off by its box, and the choice of language kept.

#include "GuiTestSupport.h"
#include "ModalDriver.h"
#include "app/LanguageChoice.h"
#include "app/RavelinApp.h"
#include "control/SettingsDlg.h"
#include "view/RavelinView.h"
#include "words/Words.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOption>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace ravelin;

namespace {

bool HasJapanese(const QString& text)
{
    for (const char32_t c : text.toUcs4())
        if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) ||
            (c >= 0xFF00 && c <= 0xFFEF))
            return true;
    return false;
}

QString Shown(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// The widest line of text in the widget's font.
int TextWidth(const QWidget* w, const QString& text)
{
    int widest = 0;
    for (const QString& line : Shown(text).split(QLatin1Char('\n')))
        widest = std::max(widest, w->fontMetrics().horizontalAdvance(line));
    return widest;
}

// The width a button leaves its text: a push button's margins, a radio button's or
// check box's indicator and the gap after it.
int TextRoom(const QAbstractButton* b)
{
    const QStyle* s = b->style();
    if (qobject_cast<const QRadioButton*>(b))
        return b->width() - s->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b) -
               s->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b);
    if (qobject_cast<const QCheckBox*>(b))
        return b->width() - s->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) -
               s->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
    const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
    return b->width() - 2 * s->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) - icon;
}

// Every text of the visible widgets under root (root included) and of the actions
// given: Japanese left, or cut off by its box.
QStringList Problems(QWidget* root, const QList<QAction*>& actions = {})
{
    QStringList problems;
    const auto check = [&problems](const QString& where, const QString& text) {
        if (HasJapanese(text))
            problems << where + QStringLiteral(": Japanese: ") + text;
    };
    const auto fit = [&problems](const QString& where, int width, int room) {
        if (width > room)
            problems
                << QStringLiteral("%1: %2 px of text in %3 px").arg(where).arg(width).arg(room);
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        if (!w->isVisible())
            continue;
        const QString name =
            QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
        check(name + QStringLiteral(" title"), w->windowTitle());
        check(name + QStringLiteral(" tip"), w->toolTip());
        check(name + QStringLiteral(" status tip"), w->statusTip());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            check(name, label->text());
            if (label->wordWrap())
                fit(name + QStringLiteral(" height"), label->heightForWidth(label->width()),
                    label->height());
            else if (label->textFormat() != Qt::RichText)
                fit(name, TextWidth(label, label->text()), label->contentsRect().width());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            check(name, button->text());
            auto* tool = qobject_cast<QToolButton*>(button);
            if (!tool || tool->toolButtonStyle() != Qt::ToolButtonIconOnly)
                fit(name, TextWidth(button, button->text()), TextRoom(button));
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            check(name, box->title());
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxLabel;
            const QRect title = box->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                             QStyle::SC_GroupBoxLabel, box);
            fit(name, title.left() + TextWidth(box, box->title()), box->width());
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
            check(name, edit->toPlainText());
        }
    }
    for (QAction* a : actions) {
        const QString name = QStringLiteral("action ") + a->objectName();
        check(name, a->text());
        check(name + QStringLiteral(" tip"), a->toolTip());
        check(name + QStringLiteral(" status tip"), a->statusTip());
        if (QMenu* menu = a->menu())
            problems << Problems(menu, menu->actions());
    }
    return problems;
}

} // namespace

class TestEnglish : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        IsolateSettings();
        m_app = std::make_unique<CRavelinApp>();
        QVERIFY(m_app->InitInstance(
            {QStringLiteral("ravelin"), QStringLiteral("--lang"), QStringLiteral("en")}));
        m_frame = m_app->MainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame));
    }

    void cleanupTestCase()
    {
        m_app.reset();
        SetLanguage(Language::Japanese);
    }

    void mainWindowIsEnglishAndFits()
    {
        for (int i = 0; i < 3; ++i)
            Action(m_frame, "actionTbStep")->trigger();
        QApplication::processEvents();
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Untitled - Ravelin"));
        QList<QAction*> actions = m_frame->menuBar()->actions();
        actions += m_frame->findChild<QToolBar*>(QStringLiteral("toolBar"))->actions();
        for (QAction* a : m_frame->actions())
            actions << a;
        const QStringList problems = Problems(m_frame, actions);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // The menu bar's titles stay on one row.
        const QList<QAction*> menus = m_frame->menuBar()->actions();
        QVERIFY(m_frame->menuBar()->actionGeometry(menus.last()).right() <
                m_frame->menuBar()->width());
        QCOMPARE(m_frame->findChild<QLabel*>(QStringLiteral("paneKana"))->width() >=
                     m_frame->fontMetrics().horizontalAdvance(QStringLiteral("KANA")),
                 true);
    }

    void dialogsAreEnglishAndFit_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("settings") << QStringLiteral("actionSettings");
        QTest::newRow("about") << QStringLiteral("actionAppAbout");
    }

    void dialogsAreEnglishAndFit()
    {
        QFETCH(QString, action);
        QStringList problems;
        ModalDriver driver([&problems](QWidget* modal) {
            if (!modal->isVisible())
                return false;
            problems = Problems(modal);
            return ModalDriver::Close(modal);
        });
        Action(m_frame, action.toLatin1().constData())->trigger();
        QVERIFY(driver.done());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void diagramLabelsKeepToTheirCells()
    {
        // Each English label takes no more room than its Japanese, so it clears the
        // boxes, lines and plus signs around it as the Japanese did; the coefficients'
        // label may run on to the first plus sign, 80 pixels on.
        const QFontMetrics fm(CRavelinView::DiagramFont(m_frame->font()));
        for (const char* label :
             {"FIRディジタルフィルタアニメーション", "シフトレジスタ→", "タップ係数", "入力信号",
              "出力信号", "FIR デジタル", "フィルタ", "時刻：", "時刻　入力信号　出力信号"}) {
            const QString japanese = QString::fromUtf8(label);
            const QString english = QCoreApplication::translate("ravelin::CRavelinView", label);
            const int room =
                japanese == QStringLiteral("タップ係数") ? 80 : fm.horizontalAdvance(japanese);
            QVERIFY2(!HasJapanese(english), label);
            QVERIFY2(fm.horizontalAdvance(english) <= room, qPrintable(english));
        }
    }

    void languageMenuKeepsTheChoiceForTheNextStart()
    {
        QString told;
        QStringList problems;
        ModalDriver driver([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || !box->isVisible())
                return false;
            told = box->text();
            problems = Problems(box);
            return ModalDriver::Close(modal);
        });
        Action(m_frame, "actionLanguageJapanese")->trigger();
        QVERIFY(driver.done());
        QCOMPARE(told, QStringLiteral("Ravelin will be in Japanese from its next start."));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        QCOMPARE(RememberedLanguage(), std::optional(Language::Japanese));
        QCOMPARE(CurrentLanguage(), Language::English); // this run stays English
        // The same language again is kept without a word.
        Action(m_frame, "actionLanguageEnglish")->trigger();
        QCOMPARE(RememberedLanguage(), std::optional(Language::English));
    }

  private:
    std::unique_ptr<CRavelinApp> m_app;
    CMainFrame* m_frame = nullptr;
};

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
