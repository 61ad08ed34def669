// The designer's tab, driven as a user would: parameters typed and chosen, the plot and
// the measures following, the design used for a file run, heard against the run's
// input through a recording audio output, saved, loaded and remembered.

#include "GuiTestSupport.h"
#include "RecordingOutput.h"
#include "app/DesignPanel.h"
#include "app/FilterDock.h"
#include "engine/LowPassTables.h"
#include "engine/RunCommands.h"
#include "files/CoefFile.h"
#include "view/FilterPlot.h"
#include "view/WavePanel.h"
#include "words/Words.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>
#include <cmath>

using namespace ravelin;
using test::AudioLog;
using test::RecordingOutput;

namespace {

// Types text into a spin box as a user would, then Return.
void Type(QAbstractSpinBox* box, const QString& text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

// The plain loop over 16-bit samples: sums in tap order, truncated and clamped.
std::vector<int> Filtered(const std::vector<double>& h, const std::vector<int>& x)
{
    std::vector<int> y;
    for (std::size_t n = 0; n < x.size(); ++n) {
        double sum = 0.0;
        for (std::size_t k = 0; k < h.size() && k <= n; ++k)
            sum += h[k] * x[n - k];
        y.push_back(int(std::clamp(std::trunc(sum), -32768.0, 32767.0)));
    }
    return y;
}

} // namespace

class TestDesigner : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir m_dir;

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // The dock shown on its designer tab, with cycles per sample and a rectangular window.
    static DesignPanel* OpenDesigner(CMainFrame* frame)
    {
        QAction* item = Action(frame, "actionViewFilterPanel");
        item->trigger();
        FilterDock* dock = frame->FilterPanel();
        DesignPanel* panel = dock->Designer();
        dock->ShowPage(panel);
        panel->findChild<QComboBox*>(QStringLiteral("designUnit"))->setCurrentIndex(1);
        panel->WindowBox()->setCurrentIndex(int(WindowKind::Rectangular));
        return panel;
    }

  private slots:
    void initTestCase()
    {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        QVERIFY(m_dir.isValid());
    }

    // A caption wider than its pane breaks before its bracket onto a line of its own, and
    // a tall, narrow plot puts the frequency response under the time response.
    void narrowPlotsWrapTheirCaptionAndStack()
    {
        FilterPlot plot;
        plot.setObjectName(QStringLiteral("plot"));
        plot.SetTaps(std::vector<double>(255, 1.0 / 255));
        plot.SetSampleRate(44100);
        const QString caption = QStringLiteral("周波数 [Hz]（44100 Hz でサンプリング）");
        const QString second = QStringLiteral("（44100 Hz でサンプリング）");
        const int width = plot.fontMetrics().horizontalAdvance(caption);
        // The frequency pane leaves the caption 90% of its width.
        plot.resize((width * 9 / 10 + 12) * 20 / 13, 300);
        QVERIFY(!plot.Stacked());
        // The painter draws a line in runs of one script each, in fonts of their own:
        // runs that follow on at about the same height make a line.
        auto drawn = DrawnTexts(&plot);
        std::sort(drawn.begin(), drawn.end(),
                  [](const auto& x, const auto& y) { return x.box.left() < y.box.left(); });
        QStringList texts, problems;
        std::vector<QRectF> ends;
        for (const auto& run : drawn) {
            std::size_t line = 0;
            while (line < ends.size() && !(std::abs(run.box.left() - ends[line].right()) < 3 &&
                                           std::abs(run.box.top() - ends[line].top()) < 5))
                ++line;
            if (line == ends.size()) {
                texts << QString();
                ends.push_back(run.box);
            }
            texts[qsizetype(line)] += run.text;
            ends[line] = run.box;
        }
        QVERIFY2(texts.contains(QStringLiteral("周波数 [Hz]")) && texts.contains(second),
                 qPrintable(texts.join(QLatin1Char('|'))));
        QVERIFY2((problems = DrawnProblems(&plot, nullptr, Wording::Any)).isEmpty(),
                 qPrintable(problems.join(QLatin1Char('\n'))));
        QVERIFY(plot.MagnitudeRect().left() > plot.ImpulseRect().right());

        plot.resize(420, 640);
        QVERIFY(plot.Stacked());
        QVERIFY(plot.MagnitudeRect().top() > plot.ImpulseRect().bottom());
        QVERIFY(plot.ImpulseRect().width() > 300 && plot.MagnitudeRect().width() > 300);
        QVERIFY(plot.ImpulseRect().height() > 60 && plot.MagnitudeRect().height() > 60);
        QVERIFY2((problems = DrawnProblems(&plot, nullptr, Wording::Any)).isEmpty(),
                 qPrintable(problems.join(QLatin1Char('\n'))));
        // The read-out follows the pointer into the lower plot.
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        QTest::mouseMove(&plot, plot.MagnitudeRect().center());
        QTRY_VERIFY(plot.Readout().contains(QStringLiteral(" Hz")));
        plot.resize(900, 300);
        QVERIFY(!plot.Stacked());
    }

    void parametersDriveThePlotAndTheMeasures()
    {
        const auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        DesignPanel* panel = OpenDesigner(frame.get());
        QCOMPARE(frame->FilterPanel()->Tabs()->tabText(2), QStringLiteral("設計"));

        // 511 rectangular taps at 0.125: the lpf4 preset, seven decimals apart at most.
        Type(panel->CutoffBox(0), QStringLiteral("0.125"));
        Type(panel->TapsBox(), QStringLiteral("511"));
        const std::vector<double>& plotted = panel->Plot()->Taps();
        QCOMPARE(plotted.size(), std::size_t(511));
        for (std::size_t k = 0; k < plotted.size(); ++k)
            QVERIFY2(std::fabs(plotted[k] - kLowPass4[k]) <= 5e-8, qPrintable(QString::number(k)));
        // Its worst-case gain is well above 1: the warning says by how much.
        const QString measures = panel->MeasuresLabel()->text();
        QVERIFY2(measures.contains(QStringLiteral("タップ数 511")), qPrintable(measures));
        QVERIFY(measures.contains(QStringLiteral("遅延 255.0 サンプル")));
        const QString clip = QStringLiteral("最大 %1 dB クリップするおそれがあります")
                                 .arg(QString::number(panel->Measures().clipDb, 'f', 1));
        QVERIFY2(measures.contains(clip), qPrintable(measures));
        QVERIFY(panel->Measures().clipDb > 6.0);

        // The response follows each change, computed once per change.
        const int before = panel->Plot()->Computations();
        panel->WindowBox()->setCurrentIndex(int(WindowKind::Hann));
        panel->Plot()->Response();
        QCOMPARE(panel->Plot()->Computations(), before + 1);
        QCOMPARE(panel->Plot()->Taps().front(), 0.0); // Hann's ends

        // An even high-pass cannot be: said, nothing plotted, nothing to use.
        panel->TypeBox()->setCurrentIndex(int(FilterType::HighPass));
        Type(panel->TapsBox(), QStringLiteral("510"));
        QVERIFY(panel->Problem().contains(QStringLiteral("奇数")));
        QVERIFY(panel->Plot()->Taps().empty());
        QVERIFY(!panel->UseButton()->isEnabled());
        Type(panel->TapsBox(), QStringLiteral("511"));
        QVERIFY(panel->Problem().isEmpty());
        QVERIFY(panel->UseButton()->isEnabled());

        // Kaiser's length for 60 dB across 0.1 cycles, made odd for the high-pass.
        panel->WindowBox()->setCurrentIndex(int(WindowKind::Kaiser));
        panel->findChild<QCheckBox*>(QStringLiteral("designFromAtten"))->setChecked(true);
        Type(panel->findChild<QDoubleSpinBox*>(QStringLiteral("designAtten")),
             QStringLiteral("60"));
        panel->findChild<QCheckBox*>(QStringLiteral("designFromWidth"))->setChecked(true);
        Type(panel->findChild<QDoubleSpinBox*>(QStringLiteral("designWidth")),
             QStringLiteral("0.1"));
        QCOMPARE(panel->TapsBox()->value(), 39);
        QVERIFY(!panel->TapsBox()->isEnabled());
        QCOMPARE(panel->Plot()->Taps().size(), std::size_t(39));
        // Within the fraction of a decibel that Kaiser's fitted formulas may miss by.
        QVERIFY2(panel->Measures().stopAttenuationDb > 59.0 - 0.5,
                 qPrintable(QString::number(panel->Measures().stopAttenuationDb)));
    }

    void usedForTheFileRunAndHeardAgainstTheInput()
    {
        const auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        CRavelinDoc& doc = frame->Document();
        DesignPanel* panel = OpenDesigner(frame.get());
        Type(panel->CutoffBox(0), QStringLiteral("0.1"));
        Type(panel->TapsBox(), QStringLiteral("31"));
        const std::vector<double> taps = panel->Taps();
        QCOMPARE(taps.size(), std::size_t(31));
        QVERIFY(!panel->ListenButton()->isEnabled()); // no run yet

        // "use for the file run": the run's filter, named in the panel; the run command
        // is there for it.
        QTest::mouseClick(panel->UseButton(), Qt::LeftButton);
        QVERIFY(doc.HasCustomFilter());
        QCOMPARE(doc.CustomTaps(), taps);
        QCOMPARE(doc.m_nInputPreset, int(kInputFile));
        QCOMPARE(frame->FilterPanel()->Caption()->text(), panel->FilterName());
        QVERIFY(panel->FilterName().startsWith(QStringLiteral("設計 低域通過")));
        QVERIFY(Action(frame.get(), "actionRunFile")->isEnabled());

        std::vector<int> x;
        for (int i = 0; i < 4000; ++i)
            x.push_back(i % 40 < 20 ? 20000 : -20000);
        const QString in = WriteFile(Path("square.wav"), ToQByteArray(test::MonoWav(x)));
        const QString out = Path("square-run.wav");
        QString info, done;
        ModalDriver driver{ModalDriver::TypeFileName(in), ModalDriver::Note(info),
                           ModalDriver::TypeFileName(out), ModalDriver::Note(done)};
        Action(frame.get(), "actionRunFile")->trigger();
        QTRY_VERIFY(driver.done());
        QVERIFY2(info.contains(QStringLiteral("フィルタ: ") + panel->FilterName()),
                 qPrintable(info));
        QVERIFY(info.contains(QStringLiteral("クリップするおそれがあります")));
        const std::vector<int> expected = Filtered(taps, x);
        QCOMPARE(ReadFile(out), ToQByteArray(test::MonoWav(expected)));

        // "listen": a new design on the same input, without a question, played A/B.
        QVERIFY(panel->ListenButton()->isEnabled());
        panel->WindowBox()->setCurrentIndex(int(WindowKind::Blackman));
        const std::vector<double> second = panel->Taps();
        QTest::mouseClick(panel->ListenButton(), Qt::LeftButton);
        WavePanel* waves = frame->FilterPanel()->Waves();
        QCOMPARE(frame->FilterPanel()->CurrentPage(), waves);
        QVERIFY(!panel->ListenOutput().isEmpty());
        const std::vector<int> heard = Filtered(second, x);
        QCOMPARE(ReadFile(panel->ListenOutput()), ToQByteArray(test::MonoWav(heard)));
        auto log = std::make_shared<AudioLog>();
        waves->SetAudioOutput(std::make_unique<RecordingOutput>(log));
        QTest::mouseClick(waves->PlayButton(WavePanel::Input), Qt::LeftButton);
        QCOMPARE(log->starts.size(), std::size_t(1));
        log->PullAll();
        QCOMPARE(log->starts[0], std::vector<std::int16_t>(x.begin(), x.end()));
        waves->Stop();
        QTest::mouseClick(waves->PlayButton(WavePanel::Output), Qt::LeftButton);
        QCOMPARE(log->starts.size(), std::size_t(2));
        log->PullAll();
        QCOMPARE(log->starts[1], std::vector<std::int16_t>(heard.begin(), heard.end()));
        waves->Stop();

        // "save as" keeps what was heard.
        const QString kept = Path("heard.wav");
        QVERIFY(panel->SaveListenButton()->isEnabled());
        ModalDriver saving{ModalDriver::TypeFileName(kept)};
        QTest::mouseClick(panel->SaveListenButton(), Qt::LeftButton);
        QTRY_VERIFY(saving.done());
        QCOMPARE(ReadFile(kept), ReadFile(panel->ListenOutput()));

        // Choosing a preset again in the settings dialog ends the design's turn.
        ConfirmSettings(doc, kFilterLpf8, kInputFile);
        QVERIFY(!doc.HasCustomFilter());
        QCOMPARE(frame->FilterPanel()->Caption()->text(),
                 QString::fromUtf8(kFilterCaptions[kFilterLpf8].Text()));
    }

    void savedLoadedAndRemembered()
    {
        QString refusal;
        {
            const auto frame = ShowMainFrame();
            QVERIFY(QTest::qWaitForWindowActive(frame.get()));
            DesignPanel* panel = OpenDesigner(frame.get());
            panel->TypeBox()->setCurrentIndex(int(FilterType::BandPass));
            Type(panel->CutoffBox(0), QStringLiteral("0.05"));
            Type(panel->CutoffBox(1), QStringLiteral("0.2"));
            Type(panel->TapsBox(), QStringLiteral("64"));
            const std::vector<double> taps = panel->Taps();
            QCOMPARE(taps.size(), std::size_t(64));

            // Saved: a header on how it was made, numbers that read back bit for bit.
            const QString saved = Path("band.txt");
            ModalDriver saving{ModalDriver::TypeFileName(saved)};
            QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("designSave")),
                              Qt::LeftButton);
            QTRY_VERIFY(saving.done());
            const QByteArray text = ReadFile(saved);
            QVERIFY(text.startsWith("# ravelin-cli design --type bandpass --cutoff 0.05,0.2 "
                                    "--taps 64 --window rectangular\n"));
            QCOMPARE(ParseCoefficients(text.toStdString()).taps, taps);

            // A malformed file: one message naming its line; the design stays.
            const QString bad = WriteFile(Path("bad.txt"), "# taps\n0.5\n0.25 0.x\n");
            ModalDriver refusing{ModalDriver::Note(refusal)};
            QVERIFY(!panel->LoadFile(bad));
            QVERIFY(refusing.done());
            QVERIFY2(refusal.contains(QStringLiteral("3 行目")) &&
                         refusal.contains(QStringLiteral("0.x")),
                     qPrintable(refusal));
            QCOMPARE(panel->Taps(), taps);

            // A good one: shown and named, until a parameter changes.
            ModalDriver loading{
                ModalDriver::TypeFileName(WriteFile(Path("echo.txt"), "0.5, 0, 0, 0.25\n"))};
            QTest::mouseClick(panel->findChild<QPushButton*>(QStringLiteral("designLoad")),
                              Qt::LeftButton);
            QTRY_VERIFY(loading.done());
            QCOMPARE(panel->Taps(), (std::vector<double>{0.5, 0, 0, 0.25}));
            QCOMPARE(panel->FilterName(), QStringLiteral("係数ファイル echo.txt"));
            QVERIFY(panel->MeasuresLabel()->text().contains(QStringLiteral("Σ|h| = 0.7500")));
            Type(panel->TapsBox(), QStringLiteral("65"));
            QCOMPARE(panel->Taps().size(), std::size_t(65));
        }
        // The next start shows the last design.
        DesignPanel again;
        QCOMPARE(again.TypeBox()->currentIndex(), int(FilterType::BandPass));
        QCOMPARE(again.TapsBox()->value(), 65);
        QCOMPARE(again.CutoffBox(1)->value(), 0.2);
        QCOMPARE(again.Taps().size(), std::size_t(65));
    }
};

QTEST_MAIN(TestDesigner)
#include "tst_designer.moc"
