// The run commands as the user reaches them: their enabled and checked states
// after the settings, and the animation clock of the view.

#include "GuiTestSupport.h"
#include "engine/Commands.h"
#include "view/RavelinView.h"

#include <QToolBar>
#include <QtTest>

using namespace ravelin;

class TestCommands : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CMainFrame> m_frame;

    QAction* Act(const char* name) const { return Action(m_frame.get(), name); }
    CRavelinDoc& Doc() const { return m_frame->Document(); }
    CRavelinView* View() const { return m_frame->View(); }

    // Starts the fast animation and waits for a few of its steps.
    void AnimateFast()
    {
        Act("actionTbFast")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep >= 3, 5000);
    }

  private slots:
    void init()
    {
        m_frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup() { m_frame.reset(); }

    void statesFollowConfirmedSettings_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("input");
        QTest::addColumn<bool>("demo");
        QTest::addColumn<bool>("fileRun");
        QTest::newRow("pass + test signal") << 0 << 2 << true << false;
        QTest::newRow("file-only filter + test signal") << 6 << 2 << false << false;
        QTest::newRow("file-only filter + file data") << 6 << 3 << false << true;
        QTest::newRow("echo + file data") << 2 << 3 << false << true;
    }

    void statesFollowConfirmedSettings()
    {
        QFETCH(int, filter);
        QFETCH(int, input);
        QFETCH(bool, demo);
        QFETCH(bool, fileRun);
        // No explicit refresh: the document's reset must update every item.
        ConfirmSettings(Doc(), filter, input);
        for (const char* name : {"actionRunStep", "actionRunAnimate", "actionTbStep",
                                 "actionTbAnimate", "actionTbRewind", "actionTbFast"}) {
            QVERIFY2(Act(name)->isEnabled() == demo, name);
            QVERIFY2(!Act(name)->isChecked(), name);
        }
        QCOMPARE(m_frame->ToolBar()->widgetForAction(Act("actionTbStep"))->isEnabled(), demo);
        QCOMPARE(Act("actionRunFile")->isEnabled(), fileRun);
        QVERIFY(Act("actionSettings")->isEnabled());
        QVERIFY(!Act("actionFileSave")->isEnabled());
        // A disabled command is not carried out, whoever sends it.
        QCOMPARE(m_frame->OnCommand(ID_RUN_STEP), demo);
        QCOMPARE(Doc().m_nStep, demo ? 1 : 0);
    }

    void fastAnimationRunsToTheEndAndStops()
    {
        Act("actionTbFast")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(Doc().m_nStep, kDemoSteps, 10000);
        // Only the armed timer can bring another step: once it is idle, nothing comes.
        QTRY_VERIFY_WITH_TIMEOUT(!View()->IsAnimTimerArmed(), 10000);
        QCOMPARE(Doc().m_nStep, kDemoSteps);
        QVERIFY(Act("actionRunAnimate")->isChecked());
        QVERIFY(Act("actionFileSave")->isEnabled());
    }

    void stepPausesTheAnimation()
    {
        AnimateFast();
        Act("actionTbStep")->trigger();
        const int paused = Doc().m_nStep;
        // The tick still pending only stops the timer.
        QTRY_VERIFY_WITH_TIMEOUT(!View()->IsAnimTimerArmed(), 10000);
        QCOMPARE(Doc().m_nStep, paused);
        QVERIFY(Act("actionRunStep")->isChecked());
        QVERIFY(!Act("actionRunAnimate")->isChecked());
    }

    void animationKeepsSteppingBehindAModalDialog()
    {
        AnimateFast();
        const int opened = Doc().m_nStep;
        ModalDriver driver([&](QWidget* modal) {
            return Doc().m_nStep >= opened + 3 && ModalDriver::Close(modal);
        });
        Act("actionSettings")->trigger();
        QVERIFY(driver.done());
        QCOMPARE(driver.seenClass(), QStringLiteral("ravelin::CSettingsDlg"));
        // Closing the box changed nothing: the animation runs on to its end.
        QTRY_COMPARE_WITH_TIMEOUT(Doc().m_nStep, kDemoSteps, 10000);
    }

    void confirmedSettingsStopTheAnimation()
    {
        AnimateFast();
        ConfirmSettings(Doc(), Doc().m_nFilterPreset, Doc().m_nInputPreset);
        QTRY_VERIFY_WITH_TIMEOUT(!View()->IsAnimTimerArmed(), 10000);
        QCOMPARE(Doc().m_nStep, 0);
        QCOMPARE(Doc().m_nRunMode, kRunIdle);
        QVERIFY(!Act("actionRunAnimate")->isChecked());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
