// The desktop program started with --lang en, as a user who reads no Japanese sees it:
// every text English, none cut off by its box, and the choice of language kept.

#include "GuiTestSupport.h"
#include "app/LanguageChoice.h"
#include "app/RavelinApp.h"
#include "control/SettingsDlg.h"
#include "view/RavelinView.h"
#include "words/Words.h"

#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOption>
#include <QToolBar>
#include <QtTest>

using namespace ravelin;

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
        actions += m_frame->actions();
        const QStringList problems = TextProblems(m_frame, actions);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        // The menu bar's titles stay on one row.
        const QList<QAction*> menus = m_frame->menuBar()->actions();
        QVERIFY(m_frame->menuBar()->actionGeometry(menus.last()).right() <
                m_frame->menuBar()->width());
        QVERIFY(m_frame->findChild<QLabel*>(QStringLiteral("paneKana"))->width() >=
                m_frame->fontMetrics().horizontalAdvance(QStringLiteral("KANA")));
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
            problems = TextProblems(modal);
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
            problems = TextProblems(box);
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
