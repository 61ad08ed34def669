// Playback through a real sound server: PulseAudio started for the test in user mode
// with a null sink, its monitor recorded with parec, and the recording compared sample
// for sample with the files, the last sample and an A/B switch included. Skipped, with
// the reason, where PulseAudio cannot start; the recording output of tst_filterpanel
// covers the panel's side on such machines.

#include "GuiTestSupport.h"
#include "view/WavePanel.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QtTest>

using namespace ravelin;

namespace {

constexpr int kRate = 8000;

// Input and output of the same length whose samples never agree, so that where the
// recording turns from one to the other shows exactly.
std::vector<int> Ramp(int base, int period, int count)
{
    std::vector<int> v;
    for (int i = 0; i < count; ++i)
        v.push_back(base + (i % period) * (base > 0 ? 7 : -5));
    return v;
}

std::vector<std::int16_t> ReadRaw(const QString& path)
{
    QFile f(path);
    std::vector<std::int16_t> v;
    if (!f.open(QIODevice::ReadOnly))
        return v;
    const QByteArray b = f.readAll();
    for (qsizetype i = 0; i + 1 < b.size(); i += 2)
        v.push_back(std::int16_t(quint8(b[i]) | quint8(b[i + 1]) << 8));
    return v;
}

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_recorder;
    QString m_serverPath;

    QString Write(const QString& name, const std::vector<int>& samples)
    {
        return WriteFile(m_dir.filePath(name),
                         ToQByteArray(ravelin::test::MonoWav(samples, 16, kRate)));
    }

    // A PulseAudio of our own with one null sink at the files' rate; empty when it
    // could not start, otherwise why not.
    QString StartServer()
    {
        const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        const QString parec = QStandardPaths::findExecutable(QStringLiteral("parec"));
        if (pulseaudio.isEmpty() || parec.isEmpty())
            return QStringLiteral("pulseaudio or parec is not installed");
        const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        m_serverPath = runtime + QStringLiteral("/native");
        m_server.setProgram(pulseaudio);
        m_server.setArguments(
            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
             "--log-target=stderr", "--log-level=error", "-L",
             QStringLiteral("module-null-sink sink_name=rec rate=%1 channels=1 format=s16le")
                 .arg(kRate),
             "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + m_serverPath});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("HOME"), runtime);
        m_server.setProcessEnvironment(env);
        m_server.start();
        if (!m_server.waitForStarted(5000))
            return QStringLiteral("pulseaudio could not be started");
        for (int i = 0; i < 100 && !QFile::exists(m_serverPath); ++i) {
            if (m_server.state() != QProcess::Running)
                return QStringLiteral("pulseaudio stopped at once: ") +
                       QString::fromLocal8Bit(m_server.readAllStandardError());
            QTest::qWait(50);
        }
        if (!QFile::exists(m_serverPath))
            return QStringLiteral("pulseaudio opened no socket");
        return {};
    }

    bool StartRecording(const QString& path)
    {
        m_recorder.setProgram(QStandardPaths::findExecutable(QStringLiteral("parec")));
        m_recorder.setArguments({"-d", "rec.monitor", "--format=s16le",
                                 QStringLiteral("--rate=%1").arg(kRate), "--channels=1", "--raw",
                                 "--latency-msec=5", path});
        m_recorder.start();
        QTest::qWait(300); // connected and recording before anything plays
        return m_recorder.waitForStarted(5000) && m_recorder.state() == QProcess::Running;
    }

    void StopRecording()
    {
        QTest::qWait(400);
        m_recorder.terminate();
        m_recorder.waitForFinished(5000);
    }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Our server only, and none started behind our back.
        qputenv("PULSE_SERVER", QStringLiteral("unix:%1")
                                    .arg(m_dir.filePath(QStringLiteral("runtime/native")))
                                    .toLocal8Bit());
        const QString config =
            WriteFile(m_dir.filePath(QStringLiteral("client.conf")), "autospawn = no\n");
        qputenv("PULSE_CLIENTCONFIG", config.toLocal8Bit());
        qputenv("PULSE_SINK", "rec");
    }

    void cleanupTestCase()
    {
        if (m_recorder.state() != QProcess::NotRunning) {
            m_recorder.kill();
            m_recorder.waitForFinished(3000);
        }
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(3000)) {
                m_server.kill();
                m_server.waitForFinished(3000);
            }
        }
    }

    // Played before the server is up: the panel says there is no device. Played again
    // once it is: it is found without a restart, and every sample is heard, the input up
    // to the switch and the output from the next sample on to the last one.
    void recordedSamplesEqualTheFiles()
    {
        const int count = 2 * kRate;
        const std::vector<int> in = Ramp(1000, 500, count), out = Ramp(-3000, 700, count);
        WavePanel panel;
        QVERIFY(panel.LoadRun(Write(QStringLiteral("in.wav"), in),
                              Write(QStringLiteral("out.wav"), out)));
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        {
            ModalDriver told(ModalDriver::Press(QMessageBox::Ok));
            panel.Play(WavePanel::Input);
            QTRY_VERIFY(told.done());
            QCOMPARE(panel.Playing(), -1);
        }
        if (const QString why = StartServer(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QString raw = m_dir.filePath(QStringLiteral("heard.raw"));
        QVERIFY(StartRecording(raw));

        ModalDriver unexpected(ModalDriver::Press(QMessageBox::Ok));
        panel.Play(WavePanel::Input);
        QCOMPARE(panel.Playing(), int(WavePanel::Input));
        QTest::qWait(700);
        panel.SwitchSignal();
        QCOMPARE(panel.Playing(), int(WavePanel::Output));
        QTRY_VERIFY_WITH_TIMEOUT(panel.Playing() == -1, 10000);
        StopRecording();
        QVERIFY2(!unexpected.done(), qPrintable(unexpected.seenText()));

        // The monitor starts a new stream a few milliseconds late (about the recorder's
        // latency; PulseAudio renders that far ahead), so the recording is aligned by the
        // first sample it holds, which the ramp names; from there on every sample counts.
        const std::vector<std::int16_t> heard = ReadRaw(raw);
        const auto start = std::find_if(heard.begin(), heard.end(), [](auto v) { return v != 0; });
        QVERIFY(start != heard.end());
        const int firstHeard = (*start - in[0]) / 7;
        QVERIFY2(firstHeard >= 0 && firstHeard <= kRate / 50 &&
                     in[std::size_t(firstHeard)] == *start,
                 qPrintable(QStringLiteral("first sample heard: %1").arg(*start)));
        const auto at = std::ptrdiff_t(start - heard.begin()) - firstHeard;
        QVERIFY2(std::ptrdiff_t(heard.size()) - at >= count,
                 qPrintable(QStringLiteral("%1 of %2 samples heard")
                                .arg(std::ptrdiff_t(heard.size()) - at)
                                .arg(count)));
        const auto sample = [&](std::size_t i) { return heard[std::size_t(at) + i]; };
        std::size_t turn = std::size_t(firstHeard);
        while (turn < std::size_t(count) && sample(turn) == in[turn])
            ++turn;
        QVERIFY2(turn > std::size_t(firstHeard) && turn < std::size_t(count),
                 qPrintable(QStringLiteral("switched at %1").arg(turn)));
        for (std::size_t i = turn; i < std::size_t(count); ++i)
            QVERIFY2(sample(i) == out[i],
                     qPrintable(QStringLiteral("sample %1: %2, expected %3 (switched at %4)")
                                    .arg(i)
                                    .arg(sample(i))
                                    .arg(out[i])
                                    .arg(turn)));
        // After the last sample, silence.
        QVERIFY(heard.size() == std::size_t(at + count) || sample(std::size_t(count)) == 0);
    }
};

QTEST_MAIN(TestPlayback)
#include "tst_playback.moc"
