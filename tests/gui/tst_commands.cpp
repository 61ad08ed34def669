// The run commands as the user reaches them (menu items and toolbar buttons),
// their enabled and checked states, and the animation clock: queued redraw,
// timer re-armed by the painter, tick sending the next step.

#include "GuiTestSupport.h"
#include "ModalDriver.h"

#include "app/MainFrame.h"
#include "engine/Commands.h"
#include "view/RavelinView.h"

#include <QAction>
#include <QToolBar>
#include <QtTest>

#include <memory>

using namespace ravelin;

class TestCommands : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;

    QAction* Action(const char* name) const
    {
        auto* action = m_frame->findChild<QAction*>(QString::fromLatin1(name));
        if (!action)
            qFatal("no action %s", name);
        return action;
    }
    CRavelinDoc& Doc() const { return m_frame->document(); }
    CRavelinView* View() const { return m_frame->view(); }

    // Confirms the settings as the settings dialog does.
    void Confirm(int filter, int input)
    {
        SettingsValues values = Doc().Settings();
        values.nFilter = filter;
        values.nInput = input;
        Doc().ApplySettings(values);
    }

    // Lets queued redraws and due ticks run for ms milliseconds.
    static void Idle(int ms) { QTest::qWait(ms); }

private slots:
    void initTestCase() { IsolateSettings(); }

    void init()
    {
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup() { m_frame.reset(); }

    void freshProgramEnablesTheDemonstration()
    {
        for (const char* name : {"actionRunStep", "actionRunAnimate", "actionTbStep",
                                 "actionTbAnimate", "actionTbRewind", "actionTbFast",
                                 "actionSettings"}) {
            QVERIFY2(Action(name)->isEnabled(), name);
            QVERIFY2(!Action(name)->isChecked(), name);
        }
        QVERIFY(!Action("actionFileSave")->isEnabled());
        QVERIFY(!Action("actionFileSaveKey")->isEnabled());
        QVERIFY(!Action("actionRunFile")->isEnabled());
    }

    void rulesFollowConfirmedSettings_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("input");
        QTest::addColumn<bool>("demo");
        QTest::addColumn<bool>("fileRun");

        QTest::newRow("pass + test signal") << 0 << 2 << true << false;
        QTest::newRow("second-order lag + impulse") << 5 << 0 << true << false;
        QTest::newRow("file-only filter + test signal") << 6 << 2 << false << false;
        QTest::newRow("file-only filter + file data") << 6 << 3 << false << true;
        QTest::newRow("echo + file data") << 2 << 3 << false << true;
        QTest::newRow("user three-tap + file data") << 11 << 3 << false << true;
        QTest::newRow("no filter + file data") << -1 << 3 << false << false;
        QTest::newRow("pass + no input") << 0 << -1 << false << false;
    }

    void rulesFollowConfirmedSettings()
    {
        QFETCH(int, filter);
        QFETCH(int, input);
        QFETCH(bool, demo);
        QFETCH(bool, fileRun);

        // No explicit refresh: the document's reset must update every item.
        Confirm(filter, input);
        for (const char* name : {"actionRunStep", "actionRunAnimate", "actionTbStep",
                                 "actionTbAnimate", "actionTbRewind", "actionTbFast"})
            QCOMPARE(Action(name)->isEnabled(), demo);
        QCOMPARE(Action("actionRunFile")->isEnabled(), fileRun);
        QVERIFY(Action("actionSettings")->isEnabled());
        QVERIFY(!Action("actionFileSave")->isEnabled());

        // The toolbar's buttons show the same state as the actions.
        auto* button = m_frame->toolBar()->widgetForAction(Action("actionTbStep"));
        QVERIFY(button);
        QCOMPARE(button->isEnabled(), demo);
    }

    void disabledCommandIsNotCarriedOut()
    {
        Confirm(7, 2);
        QVERIFY(!m_frame->OnCommand(ID_RUN_STEP));
        QVERIFY(!m_frame->OnCommand(ID_TB_REWIND));
        QCOMPARE(Doc().m_nStep, 0);
        QCOMPARE(Doc().m_nRunMode, RUN_IDLE);
    }

    void stepChecksStepAndEnablesSaveAtTwenty()
    {
        Action("actionRunStep")->trigger();
        QCOMPARE(Doc().m_nStep, 1);
        QCOMPARE(Doc().m_nRunMode, RUN_STEP);
        QVERIFY(Action("actionRunStep")->isChecked());
        QVERIFY(!Action("actionRunAnimate")->isChecked());
        // Toolbar buttons never carry a check.
        QVERIFY(!Action("actionTbStep")->isChecked());

        for (int i = 1; i < 19; ++i)
            Action("actionTbStep")->trigger();
        QCOMPARE(Doc().m_nStep, 19);
        QVERIFY(!Action("actionFileSave")->isEnabled());
        Action("actionTbStep")->trigger();
        QCOMPARE(Doc().m_nStep, 20);
        QVERIFY(Action("actionFileSave")->isEnabled());
        QVERIFY(Action("actionFileSaveKey")->isEnabled());

        // At 20 only the mode changes.
        Action("actionRunAnimate")->trigger();
        QCOMPARE(Doc().m_nStep, 20);
        QVERIFY(Action("actionRunAnimate")->isChecked());
        QVERIFY(!Action("actionRunStep")->isChecked());
        Idle(50);
        QVERIFY(!View()->IsAnimTimerArmed());
    }

    void redrawIsQueuedAndArmsTheTimer()
    {
        Action("actionTbAnimate")->trigger();
        // The step is done, but its redraw (and so the arming) waits in the queue.
        QCOMPARE(Doc().m_nStep, 1);
        QVERIFY(!View()->IsAnimTimerArmed());
        QTRY_VERIFY_WITH_TIMEOUT(View()->IsAnimTimerArmed(), 2000);
        QCOMPARE(View()->AnimTimerInterval(), INTERVAL_NORMAL);
        QVERIFY(Action("actionRunAnimate")->isChecked());
    }

    void fastAnimationRunsToTheEndAndStops()
    {
        Action("actionTbFast")->trigger();
        QCOMPARE(Doc().m_nInterval, INTERVAL_FAST);
        QTRY_VERIFY_WITH_TIMEOUT(View()->IsAnimTimerArmed(), 2000);
        QCOMPARE(View()->AnimTimerInterval(), INTERVAL_FAST);
        QTRY_COMPARE_WITH_TIMEOUT(Doc().m_nStep, 20, 10000);
        Idle(3 * INTERVAL_FAST);
        QCOMPARE(Doc().m_nStep, 20);
        QVERIFY(!View()->IsAnimTimerArmed());
        // Resting state: still animation mode, so the item stays checked.
        QCOMPARE(Doc().m_nRunMode, RUN_ANIMATE);
        QVERIFY(Action("actionRunAnimate")->isChecked());
        QVERIFY(Action("actionFileSave")->isEnabled());
        // Pass-through of the simple test signal: the output is the input.
        for (int i = 0; i < DEMO_STEPS; ++i)
            QCOMPARE(Doc().m_out[i], Doc().m_in[i]);
    }

    void animationGoesOnWhileTheWindowIsHidden()
    {
        m_frame->hide();
        for (int i = 0; i < 15; ++i) // the last few steps are enough
            Action("actionRunStep")->trigger();
        Action("actionTbFast")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(Doc().m_nStep, 20, 10000);
        QVERIFY(!View()->IsAnimTimerArmed());
    }

    void stepDuringAnimationPauses()
    {
        Action("actionTbFast")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep >= 3, 5000);
        Action("actionTbStep")->trigger();
        const int paused = Doc().m_nStep;
        QCOMPARE(Doc().m_nRunMode, RUN_STEP);
        QCOMPARE(Doc().m_nInterval, INTERVAL_NORMAL);
        // The tick still pending only stops the timer.
        Idle(4 * INTERVAL_FAST);
        QCOMPARE(Doc().m_nStep, paused);
        QVERIFY(!View()->IsAnimTimerArmed());
        QVERIFY(Action("actionRunStep")->isChecked());
        QVERIFY(!Action("actionRunAnimate")->isChecked());
    }

    void menuAnimationKeepsTheFastInterval()
    {
        Action("actionTbFast")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep >= 2, 5000);
        Action("actionRunStep")->trigger(); // pause
        Idle(2 * INTERVAL_FAST);
        const int paused = Doc().m_nStep;
        Action("actionRunAnimate")->trigger();
        QCOMPARE(Doc().m_nStep, paused + 1);
        QTRY_VERIFY_WITH_TIMEOUT(View()->IsAnimTimerArmed(), 2000);
        QCOMPARE(View()->AnimTimerInterval(), INTERVAL_FAST);
        // Fast forward during a normal animation: one step at once, then 100 ms.
        Action("actionTbAnimate")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(View()->AnimTimerInterval(), INTERVAL_NORMAL, 2000);
        const int before = Doc().m_nStep;
        Action("actionTbFast")->trigger();
        QCOMPARE(Doc().m_nStep, before + 1);
        QTRY_COMPARE_WITH_TIMEOUT(View()->AnimTimerInterval(), INTERVAL_FAST, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep >= before + 3, 5000);
    }

    void rewindRestartsAtTheFirstStep()
    {
        Action("actionTbFast")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep >= 6, 5000);
        Action("actionTbRewind")->trigger();
        QCOMPARE(Doc().m_nStep, 1);
        QCOMPARE(Doc().m_nRunMode, RUN_STEP);
        QCOMPARE(Doc().m_nInterval, INTERVAL_NORMAL);
        for (int k = 0; k < DEMO_TAPS; ++k)
            QCOMPARE(Doc().m_x[k], 0.0);
        Idle(3 * INTERVAL_FAST);
        QCOMPARE(Doc().m_nStep, 1);
        QVERIFY(Action("actionRunStep")->isChecked());
    }

    void confirmedSettingsStopTheAnimation()
    {
        Action("actionTbFast")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep >= 3, 5000);
        Confirm(Doc().m_nFilterPreset, Doc().m_nInputPreset);
        Idle(3 * INTERVAL_FAST);
        QCOMPARE(Doc().m_nStep, 0);
        QCOMPARE(Doc().m_nRunMode, RUN_IDLE);
        QVERIFY(!View()->IsAnimTimerArmed());
        QVERIFY(!Action("actionRunAnimate")->isChecked());
    }

    void animationKeepsSteppingBehindAModalDialog()
    {
        Action("actionTbFast")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep >= 2, 5000);
        int stepWhenOpened = -1;
        ModalDriver driver([&](QWidget* modal) {
            if (stepWhenOpened < 0)
                stepWhenOpened = Doc().m_nStep;
            if (Doc().m_nStep < stepWhenOpened + 3)
                return false; // keep watching the animation behind the dialog
            return ModalDriver::Close(modal);
        });
        Action("actionSettings")->trigger(); // opens a modal box until the driver closes it
        QVERIFY(!driver.timedOut());
        QVERIFY(driver.done());
        QVERIFY(Doc().m_nStep >= stepWhenOpened + 3);
        // Closing the box changed nothing: the animation runs on.
        const int closed = Doc().m_nStep;
        QTRY_VERIFY_WITH_TIMEOUT(Doc().m_nStep > closed || Doc().m_nStep == DEMO_STEPS, 5000);
        QCOMPARE(Doc().m_nRunMode, RUN_ANIMATE);
    }

    void otherTimersLeaveTheAnimationAlone()
    {
        // A long interval, so that no step of our own falls due during the check;
        // the menu's animation keeps it.
        Doc().m_nInterval = 60000;
        Action("actionRunAnimate")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(View()->IsAnimTimerArmed(), 2000);
        const int step = Doc().m_nStep;
        // A timer of someone else on the view ticks: default processing only.
        const int other = View()->startTimer(1);
        Idle(30);
        View()->killTimer(other);
        QCOMPARE(Doc().m_nStep, step);
        QVERIFY(View()->IsAnimTimerArmed());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
