// Window titles as the X server holds them. On xcb Qt may add to a title on its way to
// the window manager, which the offscreen platform never shows; the names read back
// with xdotool from a real (virtual) X server must be the program's texts exactly.

#include "GuiTestSupport.h"
#include "ModalDriver.h"
#include "app/RavelinApp.h"
#include "control/QtUserPrompts.h"

#include <QProcess>
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

    void titlesReachTheServerUnchanged()
    {
        CRavelinApp app; // the program's own start-up, names and all
        QVERIFY(app.InitInstance({QStringLiteral("ravelin")}));
        CMainFrame* frame = app.MainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QTRY_COMPARE_WITH_TIMEOUT(XName(frame), QStringLiteral("無題 - Ravelin"), 10000);

        QStringList names;
        {
            ModalDriver driver({RecordName(names)}, 30000);
            Action(frame, "actionSettings")->trigger();
            QVERIFY(driver.done());
        }
        {
            ModalDriver driver({RecordName(names)}, 30000);
            Action(frame, "actionAppAbout")->trigger();
            QVERIFY(driver.done());
        }
        {
            ModalDriver driver({RecordName(names)}, 30000);
            Action(frame, "actionFileOpen")->trigger();
            QVERIFY(driver.done());
        }
        QtUserPrompts prompts(frame);
        for (const auto& [caption, icon] : {std::pair("", MessageIcon::Error),
                                            {"入力ファイル情報", MessageIcon::None},
                                            {"/tmp/out.wav", MessageIcon::None}}) {
            ModalDriver driver({RecordName(names)}, 30000);
            prompts.ShowMessage("text", caption, icon);
            QVERIFY(driver.done());
        }
        QCOMPARE(names,
                 QStringList({QStringLiteral("動作の設定"), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(Ravelin)"),
                              QStringLiteral("開く"), QStringLiteral("エラー"),
                              QStringLiteral("入力ファイル情報"), QStringLiteral("/tmp/out.wav")}));
    }
};

QTEST_MAIN(TestXTitles)
#include "tst_xtitles.moc"
