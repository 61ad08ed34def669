// The main window as the user meets it: menus, toolbar, status bar, keys, the
// View menu's toggles, the title, opening files and the recent-file list.

#include "GuiTestSupport.h"
#include "ModalDriver.h"

#include "app/MainFrame.h"
#include "engine/Commands.h"
#include "view/RavelinView.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace ravelin;

class TestMainFrame : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    QTemporaryDir m_dir;

    QAction* Action(const char* name) const
    {
        auto* action = m_frame->findChild<QAction*>(QString::fromLatin1(name));
        if (!action)
            qFatal("no action %s", name);
        return action;
    }

    // The visible entries of a menu: captions, "---" for separators.
    static QStringList Items(const QMenu* menu)
    {
        QStringList items;
        for (const QAction* a : menu->actions())
            if (a->isVisible())
                items << (a->isSeparator() ? QStringLiteral("---") : a->text());
        return items;
    }

    QMenu* Menu(int index) const { return m_frame->menuBar()->actions().at(index)->menu(); }

    QString MakeFile(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(path));
        file.write("any content");
        return path;
    }

    QString StoredRecent(int i) const
    {
        QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"),
                           QStringLiteral("Ravelin"));
        return settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
    }

    // A closed dialog leaves the keyboard with the main window, as the window
    // manager of a desktop session does.
    void Reactivate()
    {
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }

    void RunTwentySteps()
    {
        for (int i = 0; i < DEMO_STEPS; ++i)
            Action("actionRunStep")->trigger();
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init()
    {
        IsolateSettings();
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }

    void cleanup() { m_frame.reset(); }

    void menusInOrder()
    {
        QStringList titles;
        for (const QAction* a : m_frame->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"ﾌｧｲﾙ(&F)", "設定", "実行", "表示(&V)", "ﾍﾙﾌﾟ(&H)"}));

        QCOMPARE(Items(Menu(0)),
                 (QStringList{"ファイルへ保存(&S)...", "---", "印刷(&P)...", "印刷ﾌﾟﾚﾋﾞｭｰ(&V)",
                              "ﾌﾟﾘﾝﾀの設定(&R)...", "---", "最新のﾌｧｲﾙ", "---",
                              "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"}));
        QCOMPARE(Items(Menu(1)), (QStringList{"動作の設定"}));
        QCOMPARE(Items(Menu(2)),
                 (QStringList{"こま送り", "アニメーション", "---", "ファイル-ファイル実行 *"}));
        QCOMPARE(Items(Menu(3)), (QStringList{"ﾂｰﾙ ﾊﾞｰ(&T)", "ｽﾃｰﾀｽ ﾊﾞｰ(&S)"}));
        QCOMPARE(Items(Menu(4)), (QStringList{"Ravelinについて (&A)..."}));

        // The placeholder of the empty recent-file list is greyed.
        QVERIFY(!Action("actionFileMru1")->isEnabled());
        // Only printing shows its key in the menu.
        QCOMPARE(Action("actionFilePrint")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
        QVERIFY(Action("actionFileSave")->shortcut().isEmpty());
    }

    void toolbarButtonsAndTips()
    {
        QToolBar* bar = m_frame->toolBar();
        QStringList layout;
        for (QAction* a : bar->actions())
            layout << (a->isSeparator() ? QStringLiteral("---") : a->objectName());
        QCOMPARE(layout, (QStringList{"actionFileSave", "---", "actionFilePrint", "---",
                                      "actionSettings", "---", "actionTbStep", "actionTbAnimate",
                                      "actionTbRewind", "actionTbFast", "actionRunFile", "---",
                                      "actionAppAbout"}));
        QCOMPARE(bar->iconSize(), QSize(16, 15));
        const QList<std::pair<const char*, QString>> tips{
            {"actionFileSave", "アニメーションの結果をテキストファイルに保存"},
            {"actionFilePrint", "印刷"},
            {"actionSettings", "動作の設定"},
            {"actionTbStep", "１ステップずつこま送りで動作を見せます"},
            {"actionTbAnimate", "アニメーションで動作を見せます"},
            {"actionTbRewind", "はじめに巻き戻します"},
            {"actionTbFast", "速送りします"},
            {"actionRunFile", "WAVファイルを入力として，WAVファイルにフィルタ出力を書き出します"},
            {"actionAppAbout", "Ravelinについて"},
        };
        for (const auto& [name, tip] : tips) {
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(Action(name)));
            QVERIFY2(button, name);
            QCOMPARE(button->toolTip(), tip);
            QVERIFY2(!button->icon().isNull(), name);
        }

        // Movable, floatable, dockable at every edge.
        QVERIFY(bar->isMovable());
        QVERIFY(bar->isFloatable());
        QCOMPARE(bar->allowedAreas(), Qt::AllToolBarAreas);
        QCOMPARE(m_frame->toolBarArea(bar), Qt::TopToolBarArea);
        for (Qt::ToolBarArea area : {Qt::LeftToolBarArea, Qt::BottomToolBarArea,
                                     Qt::RightToolBarArea, Qt::TopToolBarArea}) {
            m_frame->addToolBar(area, bar);
            QCOMPARE(m_frame->toolBarArea(bar), area);
        }
    }

    void statusBarShowsPromptsAndReady()
    {
        QStatusBar* bar = m_frame->statusBar();
        auto* ready = bar->findChild<QLabel*>(QStringLiteral("paneMessage"));
        QVERIFY(ready);
        QCOMPARE(ready->text(), QStringLiteral("ﾚﾃﾞｨ"));
        QVERIFY(ready->isVisible());
        // The lock panes, left to right, each wide enough for its text.
        int x = ready->x();
        for (const auto& [name, text] : {std::pair{"paneKana", "ｶﾅ"}, std::pair{"paneCaps", "CAP"},
                                         std::pair{"paneNum", "NUM"}, std::pair{"paneScrl", "SCRL"}}) {
            auto* pane = bar->findChild<QLabel*>(QString::fromLatin1(name));
            QVERIFY2(pane && pane->isVisible(), name);
            QVERIFY(pane->width() >= pane->fontMetrics().horizontalAdvance(QString::fromUtf8(text)));
            QVERIFY(pane->x() > x);
            x = pane->x();
        }

        // Pointer over a toolbar button: its prompt; away again: ready.
        QWidget* fast = m_frame->toolBar()->widgetForAction(Action("actionTbFast"));
        QTest::mouseMove(fast);
        QTRY_COMPARE(bar->currentMessage(), QStringLiteral("速送りします"));
        QTest::mouseMove(m_frame->view(), QPoint(700, 400));
        QTRY_VERIFY(bar->currentMessage().isEmpty());
        QTRY_VERIFY(ready->isVisible());

        // Pointer over a menu item: its prompt.
        QMenu* run = Menu(2);
        run->popup(m_frame->mapToGlobal(QPoint(100, 30)));
        QVERIFY(QTest::qWaitForWindowExposed(run));
        QTest::mouseMove(run, run->actionGeometry(Action("actionRunStep")).center());
        QTRY_COMPARE(bar->currentMessage(), QStringLiteral("１ステップずつこま送りで動作を見せます"));
        run->close();
    }

    void viewMenuTogglesTheBars()
    {
        QToolBar* toolBar = m_frame->toolBar();
        QStatusBar* statusBar = m_frame->statusBar();
        QAction* viewToolBar = Action("actionViewToolBar");
        QAction* viewStatusBar = Action("actionViewStatusBar");
        QVERIFY(viewToolBar->isChecked());
        QVERIFY(viewStatusBar->isChecked());

        viewToolBar->trigger();
        QVERIFY(!toolBar->isVisible());
        QVERIFY(!viewToolBar->isChecked());
        viewToolBar->trigger();
        QVERIFY(toolBar->isVisible());
        QVERIFY(viewToolBar->isChecked());

        viewStatusBar->trigger();
        QVERIFY(!statusBar->isVisible());
        QVERIFY(!viewStatusBar->isChecked());
        viewStatusBar->trigger();
        QVERIFY(statusBar->isVisible());
        QVERIFY(viewStatusBar->isChecked());

        // Hidden by other means (the bars' context menu): the item follows.
        toolBar->hide();
        QVERIFY(!viewToolBar->isChecked());
        toolBar->show();
        QVERIFY(viewToolBar->isChecked());
    }

    void openChangesTitleAndListOnly()
    {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("無題 - Ravelin"));
        for (int i = 0; i < 5; ++i)
            Action("actionRunStep")->trigger();
        const QString path = MakeFile(QStringLiteral("signal.wav"));

        ModalDriver driver(ModalDriver::TypeFileName(path));
        QTest::keyClick(m_frame.get(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(driver.done());
        QVERIFY(!driver.timedOut());
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("signal.wav - Ravelin"));
        QCOMPARE(m_frame->recentFiles().Files(), QStringList{QFileInfo(path).absoluteFilePath()});
        QCOMPARE(StoredRecent(1), QFileInfo(path).absoluteFilePath());
        QVERIFY(Action("actionFileMru1")->text().startsWith(QStringLiteral("&1 ")));
        QVERIFY(Action("actionFileMru1")->text().endsWith(QStringLiteral("signal.wav")));
        QVERIFY(Action("actionFileMru1")->isEnabled());
        // The demonstration is untouched.
        QCOMPARE(m_frame->document().m_nStep, 5);
        QCOMPARE(m_frame->document().m_nRunMode, RUN_STEP);

        // Ctrl+N: untitled again, list kept, document untouched.
        Reactivate();
        QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("無題 - Ravelin"));
        QCOMPARE(m_frame->recentFiles().Size(), 1);
        QCOMPARE(m_frame->document().m_nStep, 5);
    }

    void unreadableFileIsReportedAndChangesNothing()
    {
        const QString missing = m_dir.filePath(QStringLiteral("no-such-file.wav"));
        ModalDriver driver(&ModalDriver::Close);
        QVERIFY(!m_frame->OpenDocumentFile(missing));
        QVERIFY(driver.done());
        QVERIFY(driver.seenText().contains(QStringLiteral("no-such-file.wav")));
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("無題 - Ravelin"));
        QVERIFY(m_frame->recentFiles().IsEmpty());

        ModalDriver folder(&ModalDriver::Close);
        QVERIFY(!m_frame->OpenDocumentFile(m_dir.path()));
        QVERIFY(folder.done());
        QVERIFY(m_frame->recentFiles().IsEmpty());
    }

    void recentListKeepsFourNewestFirst()
    {
        QStringList paths;
        for (int i = 1; i <= 6; ++i) {
            paths << QFileInfo(MakeFile(QStringLiteral("file%1.txt").arg(i))).absoluteFilePath();
            QVERIFY(m_frame->OpenDocumentFile(paths.last()));
        }
        const QStringList newest{paths[5], paths[4], paths[3], paths[2]};
        QCOMPARE(m_frame->recentFiles().Files(), newest);
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(StoredRecent(i), newest[i - 1]);
        QVERIFY(StoredRecent(5).isEmpty());

        // The menu shows the four, numbered, in place of the placeholder.
        QStringList shown;
        for (int i = 1; i <= 4; ++i) {
            QAction* mru = Action(QByteArray("actionFileMru" + QByteArray::number(i)).constData());
            QVERIFY(mru->isVisible() && mru->isEnabled());
            QVERIFY(mru->text().startsWith(QStringLiteral("&%1 ").arg(i)));
            QVERIFY(mru->text().endsWith(QFileInfo(newest[i - 1]).fileName()));
        }
        QVERIFY(!Items(Menu(0)).contains(QStringLiteral("最新のﾌｧｲﾙ")));

        // Opening a listed file moves it to the front without a duplicate.
        QVERIFY(m_frame->OpenDocumentFile(paths[3]));
        QCOMPARE(m_frame->recentFiles().Files(),
                 (QStringList{paths[3], paths[5], paths[4], paths[2]}));

        // Choosing an entry opens it.
        Action("actionFileMru3")->trigger();
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("file5.txt - Ravelin"));
        QCOMPARE(m_frame->recentFiles().File(0), paths[4]);

        // A file that has gone away: told, and removed from the list.
        QVERIFY(QFile::remove(paths[2]));
        ModalDriver driver(&ModalDriver::Close);
        Action("actionFileMru4")->trigger();
        QVERIFY(driver.done());
        QCOMPARE(m_frame->recentFiles().Size(), 3);
        QVERIFY(!m_frame->recentFiles().Files().contains(paths[2]));
        QVERIFY(!Action("actionFileMru4")->isVisible());

        // The next start reads the same list.
        m_frame.reset();
        CMainFrame again;
        QCOMPARE(again.recentFiles().Files(), (QStringList{paths[4], paths[3], paths[5]}));
    }

    void keysReachTheirCommands()
    {
        // Ctrl+S does nothing while saving is disabled...
        ModalDriver none([](QWidget*) { return false; }, 300);
        QTest::keyClick(m_frame.get(), Qt::Key_S, Qt::ControlModifier);
        QTest::qWait(350);
        QVERIFY(none.seenClass().isEmpty());

        // ...and opens the save command once the demonstration is complete.
        RunTwentySteps();
        ModalDriver save(&ModalDriver::Close);
        QTest::keyClick(m_frame.get(), Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(save.done());
        QCOMPARE(save.seenClass(), QStringLiteral("QFileDialog"));

        Reactivate();
        ModalDriver print([](QWidget* modal) {
            return modal->inherits("QPrintDialog") && ModalDriver::Close(modal);
        });
        QTest::keyClick(m_frame.get(), Qt::Key_P, Qt::ControlModifier);
        QTRY_VERIFY(print.done());
    }

    void dialogCommandsReachTheirHandlers()
    {
        // The settings, About, file-run and save commands each open their dialog.
        SettingsValues values = m_frame->document().Settings();
        values.nInput = INPUT_FILE;
        m_frame->document().ApplySettings(values);
        const std::pair<const char*, const char*> commands[] = {
            {"actionSettings", "CSettingsDlg"},
            {"actionAppAbout", "CAboutDlg"},
            {"actionRunFile", "QFileDialog"},
        };
        for (const auto& [name, dialogClass] : commands) {
            ModalDriver driver(&ModalDriver::Close);
            Action(name)->trigger();
            QVERIFY2(driver.done(), name);
            QCOMPARE(driver.seenClass(), QString::fromLatin1(dialogClass));
        }
        values.nInput = INPUT_TEST;
        m_frame->document().ApplySettings(values);
        RunTwentySteps();
        ModalDriver driver(&ModalDriver::Close);
        Action("actionFileSave")->trigger();
        QVERIFY(driver.done());
        QCOMPARE(driver.seenClass(), QStringLiteral("QFileDialog"));
    }

    void exitClosesTheWindow()
    {
        QVERIFY(m_frame->isVisible());
        Action("actionAppExit")->trigger();
        QVERIFY(!m_frame->isVisible());
    }

    void iconInBothSizes()
    {
        const QList<QSize> sizes = m_frame->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        QVERIFY(!QIcon(QStringLiteral(":/res/ravelin-32.png")).isNull());
        QVERIFY(!QIcon(QStringLiteral(":/res/ravelin-16.png")).isNull());
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
