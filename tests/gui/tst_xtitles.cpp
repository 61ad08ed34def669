// Window titles as the X server holds them. On xcb Qt may add to a title on its way to
// the window manager, which the offscreen platform never shows; the names read back
// with xdotool from a real (virtual) X server must be the program's texts exactly.

#include "GuiTestSupport.h"
#include "app/RavelinApp.h"
#include "control/QtUserPrompts.h"
#include "words/Words.h"

#include <QtTest>

using namespace ravelin;

namespace {

// The window's name on the X server, empty until it has one.
QString XName(const QWidget* window)
{
    QProcess xdotool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xdotool.setProcessEnvironment(env);
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("getwindowname"), QString::number(window->winId())});
    if (!xdotool.waitForFinished(10000) || xdotool.exitCode() != 0)
        return {};
    return QString::fromUtf8(xdotool.readAllStandardOutput()).chopped(1);
}

// A step that records the modal window's X name once it has one, then closes it.
ModalDriver::Step RecordName(QStringList& names)
{
    return [&names](QWidget* modal) {
        const QString name = XName(modal);
        if (name.isEmpty())
            return false;
        names << name;
        return ModalDriver::Close(modal);
    };
}

} // namespace

class TestXTitles : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(),
                 "xdotool (scripts/install-deps installs it) reads the names back");
        IsolateSettings();
    }

    void titlesReachTheServerUnchanged_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("titles"); // main window, then the dialogs' in order
        QTest::newRow("Japanese") << QStringList{QStringLiteral("ravelin")}
                                  << QStringList{QStringLiteral("無題 - Ravelin"),
                                                 QStringLiteral("動作の設定"),
                                                 QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(Ravelin)"),
                                                 QStringLiteral("開く"),
                                                 QStringLiteral("エラー"),
                                                 QStringLiteral("入力ファイル情報"),
                                                 QStringLiteral("/tmp/out.wav")};
        QTest::newRow("English") << QStringList{QStringLiteral("ravelin"), QStringLiteral("--lang"),
                                                QStringLiteral("en")}
                                 << QStringList{QStringLiteral("Untitled - Ravelin"),
                                                QStringLiteral("Filter and Input"),
                                                QStringLiteral("About Ravelin"),
                                                QStringLiteral("Open"),
                                                QStringLiteral("Error"),
                                                QStringLiteral("Input file information"),
                                                QStringLiteral("/tmp/out.wav")};
    }

    void titlesReachTheServerUnchanged()
    {
        QFETCH(const QStringList, arguments);
        QFETCH(QStringList, titles);
        CRavelinApp app; // the program's own start-up, names, language and all
        QVERIFY(app.InitInstance(arguments));
        CMainFrame* frame = app.MainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        const QString mainTitle = titles.takeFirst();
        QTRY_COMPARE_WITH_TIMEOUT(XName(frame), mainTitle, 10000);

        QStringList names;
        for (const char* action : {"actionSettings", "actionAppAbout", "actionFileOpen"}) {
            ModalDriver driver({RecordName(names)}, 30000);
            Action(frame, action)->trigger();
            QVERIFY(driver.done());
        }
        QtUserPrompts prompts(frame);
        for (const auto& [caption, icon] : {std::pair("", MessageIcon::Error),
                                            {filerun::kInfoCaption.Text(), MessageIcon::None},
                                            {"/tmp/out.wav", MessageIcon::None}}) {
            ModalDriver driver({RecordName(names)}, 30000);
            prompts.ShowMessage("text", caption, icon);
            QVERIFY(driver.done());
        }
        QCOMPARE(names, titles);
        SetLanguage(Language::Japanese);
    }
};

QTEST_MAIN(TestXTitles)
#include "tst_xtitles.moc"
