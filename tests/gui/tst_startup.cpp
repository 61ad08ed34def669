// Start-up as the command line drives it: no argument, a file argument, a file
// that cannot be opened (a clear message and a non-zero exit), and bad arguments.

#include "GuiTestSupport.h"
#include "ModalDriver.h"

#include "app/MainFrame.h"
#include "app/RavelinApp.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace ravelin;

class TestStartup : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        IsolateSettings();
        QVERIFY(m_dir.isValid());
    }

    void withoutArgumentsShowsAnUntitledWindow()
    {
        CRavelinApp app;
        QVERIFY(app.InitInstance({QStringLiteral("ravelin")}));
        CMainFrame* frame = app.MainFrame();
        QVERIFY(frame);
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->windowTitle(), QStringLiteral("無題 - Ravelin"));
        QCOMPARE(frame->printer().pageLayout().orientation(), QPageLayout::Landscape);
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0.1"));
    }

    void fileArgumentIsOpenedAsTheDocument()
    {
        const QString path = m_dir.filePath(QStringLiteral("lesson.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        CRavelinApp app;
        QVERIFY(app.InitInstance({QStringLiteral("ravelin"), path}));
        QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("lesson.txt - Ravelin"));
        QCOMPARE(app.MainFrame()->recentFiles().File(0), QFileInfo(path).absoluteFilePath());
        QCOMPARE(app.MainFrame()->document().m_nStep, 0);
    }

    void unopenableFileEndsTheProgram()
    {
        const QString missing = m_dir.filePath(QStringLiteral("gone.wav"));
        ModalDriver driver(&ModalDriver::Close);
        CRavelinApp app;
        QVERIFY(!app.InitInstance({QStringLiteral("ravelin"), missing}));
        QVERIFY(driver.done());
        QVERIFY(driver.seenText().contains(QStringLiteral("gone.wav")));
        QCOMPARE(app.ExitCode(), 1);
        QVERIFY(!app.MainFrame());
    }

    void badArgumentsEndTheProgram()
    {
        CRavelinApp twoFiles;
        QVERIFY(!twoFiles.InitInstance({QStringLiteral("ravelin"), QStringLiteral("a"),
                                        QStringLiteral("b")}));
        QCOMPARE(twoFiles.ExitCode(), 2);

        CRavelinApp unknown;
        QVERIFY(!unknown.InitInstance({QStringLiteral("ravelin"), QStringLiteral("--bogus")}));
        QCOMPARE(unknown.ExitCode(), 2);

        CRavelinApp version;
        QVERIFY(!version.InitInstance({QStringLiteral("ravelin"), QStringLiteral("--version")}));
        QCOMPARE(version.ExitCode(), 0);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
