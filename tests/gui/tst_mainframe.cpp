// The main window as the user meets it: menus, toolbar, status bar, the View
// toggles, the keys, the recent-file list and a start-up that cannot open its file.

#include "GuiTestSupport.h"
#include "app/RavelinApp.h"
#include "engine/Commands.h"

#include <QMenuBar>
#include <QPrintDialog>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

using namespace ravelin;

class TestMainFrame : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;

    QAction* Act(const char* name) const { return Action(m_frame.get(), name); }

    QString MakeFile(const QString& name) { return WriteFile(m_dir.filePath(name), {}); }

  private slots:
    void init()
    {
        m_frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }

    void cleanup() { m_frame.reset(); }

    void menusToolbarAndStatusBar()
    {
        QStringList menus; // each menu's caption and visible items
        for (const QAction* menu : m_frame->menuBar()->actions()) {
            QStringList items{menu->text()};
            for (const QAction* a : menu->menu()->actions())
                if (a->isVisible())
                    items << (a->isSeparator() ? QStringLiteral("---") : a->text());
            menus << items.join(QLatin1Char('|'));
        }
        QCOMPARE(menus, (QStringList{"ﾌｧｲﾙ(&F)|ファイルへ保存(&S)...|---|印刷(&P)...|"
                                     "印刷ﾌﾟﾚﾋﾞｭｰ(&V)|ﾌﾟﾘﾝﾀの設定(&R)...|---|最新のﾌｧｲﾙ|---|"
                                     "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)",
                                     "設定|動作の設定",
                                     "実行|こま送り|アニメーション|---|ファイル-ファイル実行 *",
                                     "表示(&V)|ﾂｰﾙ ﾊﾞｰ(&T)|ｽﾃｰﾀｽ ﾊﾞｰ(&S)|ﾌｨﾙﾀ特性(&F)|言語(&L)",
                                     "ﾍﾙﾌﾟ(&H)|Ravelinについて (&A)..."}));

        QStringList buttons;
        for (QAction* a : m_frame->ToolBar()->actions())
            buttons << (a->isSeparator() ? QStringLiteral("---")
                                         : m_frame->ToolBar()->widgetForAction(a)->toolTip());
        QCOMPARE(
            buttons,
            (QStringList{"アニメーションの結果をテキストファイルに保存", "---", "印刷", "---",
                         "動作の設定", "---", "１ステップずつこま送りで動作を見せます",
                         "アニメーションで動作を見せます", "はじめに巻き戻します", "速送りします",
                         "WAVファイルを入力として，WAVファイルにフィルタ出力を書き出します", "---",
                         "Ravelinについて"}));

        auto* ready = m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("paneMessage"));
        QVERIFY(ready);
        QVERIFY(ready->isVisible());
        QCOMPARE(ready->text(), QStringLiteral("ﾚﾃﾞｨ"));
    }

    void viewMenuTogglesTheBars()
    {
        const std::pair<const char*, QWidget*> toggles[] = {
            {"actionViewToolBar", m_frame->ToolBar()},
            {"actionViewStatusBar", m_frame->statusBar()}};
        for (const auto& [name, bar] : toggles) {
            QVERIFY(Act(name)->isChecked());
            QVERIFY(bar->isVisible());
            Act(name)->trigger();
            QVERIFY(!Act(name)->isChecked());
            QVERIFY(!bar->isVisible());
            Act(name)->trigger();
            QVERIFY(Act(name)->isChecked());
            QVERIFY(bar->isVisible());
        }
        // Hidden some other way (the tool bar's context menu): the item follows.
        m_frame->ToolBar()->hide();
        QVERIFY(!Act("actionViewToolBar")->isChecked());
    }

    void keysReachTheirCommands()
    {
        const QString path = MakeFile(QStringLiteral("signal.wav"));
        ModalDriver open(ModalDriver::TypeFileName(path));
        QTest::keyClick(m_frame.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(open.done());
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("signal.wav - Ravelin"));

        // Saving waits for a complete demonstration.
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        {
            ModalDriver early(&ModalDriver::Close);
            QTest::keyClick(m_frame.get(), Qt::Key_S, Qt::ControlModifier);
            QVERIFY2(early.seenClass().isEmpty(), qPrintable(early.seenClass()));
        }
        for (int i = 0; i < kDemoSteps; ++i)
            Act("actionRunStep")->trigger();
        ModalDriver save(ModalDriver::On<QFileDialog>(&ModalDriver::Close));
        QTest::keyClick(m_frame.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(save.done());

        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        ModalDriver print(ModalDriver::On<QPrintDialog>(&ModalDriver::Close));
        QTest::keyClick(m_frame.get(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(print.done());
    }

    void recentListKeepsTheFourNewest()
    {
        QStringList paths;
        for (int i = 1; i <= 6; ++i) {
            paths << MakeFile(QStringLiteral("file%1.txt").arg(i));
            QVERIFY(m_frame->OpenDocumentFile(paths.last()));
        }
        QCOMPARE(m_frame->RecentFiles().Files(),
                 (QStringList{paths[5], paths[4], paths[3], paths[2]}));
        QVERIFY(Act("actionFileMru4")->isVisible());
        QVERIFY(Act("actionFileMru4")->text().endsWith(QStringLiteral("file3.txt")));

        // A listed file moves to the front, without a copy; the next start reads the list.
        QVERIFY(m_frame->OpenDocumentFile(paths[3]));
        const QStringList expected{paths[3], paths[5], paths[4], paths[2]};
        QCOMPARE(m_frame->RecentFiles().Files(), expected);
        m_frame.reset();
        QCOMPARE(CMainFrame().RecentFiles().Files(), expected);
    }

    void unopenableFileArgumentEndsStartUp()
    {
        ModalDriver told(&ModalDriver::Close);
        CRavelinApp app;
        QVERIFY(!app.InitInstance(
            {QStringLiteral("ravelin"), m_dir.filePath(QStringLiteral("gone.wav"))}));
        QVERIFY(told.done());
        QVERIFY(told.seenText().contains(QStringLiteral("gone.wav")));
        QVERIFY(app.ExitCode() != 0);
        QVERIFY(!app.MainFrame());
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
