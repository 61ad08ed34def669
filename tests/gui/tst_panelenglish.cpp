// The filter panel's three pages and the designer in English: no Japanese left in what
// they show, say or draw, and no text cut off by its box, at the width the window has at
// first start and at a wide one.

#include "GuiTestSupport.h"
#include "app/DesignPanel.h"
#include "app/FilterDock.h"
#include "app/LanguageChoice.h"
#include "engine/Commands.h"
#include "view/FilterPlot.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"
#include "words/Language.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using namespace ravelin;

namespace {

// The title and the visible words of a dialog.
QStringList DialogTexts(QWidget* dialog)
{
    QStringList texts{dialog->windowTitle()};
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (label->isVisible())
            texts << label->text();
    for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible())
            texts << button->text();
    for (const QComboBox* combo : dialog->findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    return texts;
}

} // namespace

class TestPanelEnglish : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // As --lang en does at start-up.
        m_translator = InstallLanguage(Language::English);
        QVERIFY(m_translator);
        QCOMPARE(CurrentLanguage(), Language::English);
    }

    void cleanupTestCase()
    {
        QCoreApplication::removeTranslator(m_translator.get());
        SetLanguage(Language::Japanese);
    }

    // The seam sees what a painter cuts, or the checks below could pass blind.
    void theDrawnTextsShowACutTitle()
    {
        FilterPlot plot;
        plot.setObjectName(QStringLiteral("plot"));
        plot.SetTaps(std::vector<double>(5, 0.2));
        plot.resize(900, 300);
        int count = 0;
        QVERIFY2(DrawnProblems(&plot, &count).isEmpty(),
                 qPrintable(DrawnProblems(&plot).join('\n')));
        QVERIFY(count > 10);
        plot.resize(140, 300);
        QVERIFY(!DrawnProblems(&plot).isEmpty());
    }

    void everyPageInEnglishAndUncut_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("offscreen start") << 0;
        QTest::newRow("first start") << -1; // the size it asks for, as on a roomy screen
        QTest::newRow("wide") << 1600;
    }

    void everyPageInEnglishAndUncut()
    {
        QFETCH(int, width);
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        if (width != 0)
            frame->resize(width > 0 ? width : frame->sizeHint().width(), frame->height());
        ConfirmSettings(frame->Document(), kFilterLpf4, frame->Document().Settings().input);
        RunFile(*frame);
        FilterDock* dock = frame->FilterPanel();
        QVERIFY(dock->isVisible());
        QVERIFY(dock->Waves()->HasRun());

        // What the page shows once its layout has settled (the window and the dock may
        // still be growing for a few events after the run).
        const auto pageProblems = [&](QWidget* page) {
            QStringList problems = TextProblems(dock);
            // With the read-outs up, under the pointer in each plot.
            for (auto* plot : page->findChildren<FilterPlot*>()) {
                for (const QRect& area : {plot->MagnitudeRect(), plot->ImpulseRect()}) {
                    QTest::mouseMove(plot, area.center());
                    int count = 0;
                    problems << DrawnProblems(plot, &count);
                    if (count <= 10)
                        problems << QStringLiteral("%1 draws no axes").arg(plot->objectName());
                }
            }
            for (auto* view : page->findChildren<WaveView*>()) {
                QTest::mouseMove(view, view->PlotRect().center());
                int count = 0;
                problems << DrawnProblems(view, &count);
                if (count <= 2)
                    problems << QStringLiteral("%1 draws no scales").arg(view->objectName());
            }
            problems << TextProblems(dock);
            problems << ScrollingProblems(page, width == 0);
            problems.removeDuplicates();
            return problems;
        };
        QStringList problems;
        for (QWidget* page :
             {static_cast<QWidget*>(dock->Plot()->parentWidget()),
              static_cast<QWidget*>(dock->Waves()), static_cast<QWidget*>(dock->Designer())}) {
            dock->ShowPage(page);
            QTRY_VERIFY2((problems = pageProblems(page)).isEmpty(),
                         qPrintable(problems.join(QLatin1Char('\n'))));
        }
        // The designer saying what is wrong with a design.
        DesignPanel* designer = dock->Designer();
        designer->findChild<QComboBox*>(QStringLiteral("designType"))->setCurrentIndex(1);
        designer->findChild<QSpinBox*>(QStringLiteral("designTaps"))->setValue(254);
        QVERIFY(!designer->Problem().isEmpty());
        QTRY_VERIFY2((problems = TextProblems(dock)).isEmpty(),
                     qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // In a narrow window the pages scroll rather than squeeze: in English none asks for
    // more width than in Japanese, so that English scrolls no more than Japanese does.
    void englishPagesNoWiderThanJapanese()
    {
        const auto widths = [] {
            FilterDock dock;
            dock.SetSettings(SettingsValues{});
            std::vector<int> w;
            for (QWidget* page : {dock.Plot()->parentWidget(), static_cast<QWidget*>(dock.Waves()),
                                  static_cast<QWidget*>(dock.Designer())})
                w.push_back(page->minimumSizeHint().width());
            return w;
        };
        const std::vector<int> english = widths();
        QCoreApplication::removeTranslator(m_translator.get());
        SetLanguage(Language::Japanese);
        const std::vector<int> japanese = widths();
        QCoreApplication::installTranslator(m_translator.get());
        SetLanguage(Language::English);
        for (std::size_t i = 0; i < english.size(); ++i)
            QVERIFY2(english[i] <= japanese[i],
                     qPrintable(QStringLiteral("page %1: %2 wide in English, %3 in Japanese")
                                    .arg(i)
                                    .arg(english[i])
                                    .arg(japanese[i])));
    }

    // The plots' and waveforms' right-button menus, and the save dialog one of them opens.
    void menusAndTheSaveDialogInEnglish()
    {
        auto frame = ShowMainFrame();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        RunFile(*frame);
        FilterDock* dock = frame->FilterPanel();
        auto seen = std::make_shared<QStringList>();
        QStringList dialog;
        {
            ModalDriver driver(ModalDriver::On<QFileDialog>([&dialog](QFileDialog* d) {
                dialog = DialogTexts(d);
                ModalDriver::Close(d);
            }));
            dock->ShowPage(dock->Plot()->parentWidget());
            ChooseFromNextMenu(QStringLiteral("Save image"), seen);
            RightClick(dock->Plot(), dock->Plot()->MagnitudeRect().center());
            QVERIFY(QTest::qWaitFor([&driver] { return driver.done(); }));
        }
        QVERIFY(seen->contains(QStringLiteral("Save image (PNG/SVG)…")));
        QVERIFY(seen->contains(QStringLiteral("Fit all")));
        QVERIFY(dialog.contains(QStringLiteral("Save Image")));
        dock->ShowPage(dock->Waves());
        WaveView* wave = dock->Waves()->View(WavePanel::Input);
        ChooseFromNextMenu(QString(), seen);
        RightClick(wave, wave->PlotRect().center());
        QVERIFY(seen->contains(QStringLiteral("Animate from here")));
        for (const QString& text : *seen + dialog)
            QVERIFY2(!HasJapanese(text), qPrintable(text));
    }

  private:
    // A file run on a short signal through the menu and its dialogs, as a user does it.
    void RunFile(CMainFrame& frame)
    {
        std::vector<int> samples(8000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = i % 40 < 20 ? 30000 : -30000;
        const QString in = WriteFile(m_dir.filePath(QStringLiteral("in.wav")),
                                     ToQByteArray(test::MonoWav(samples, 16)));
        const QString out = m_dir.filePath(QStringLiteral("out%1.wav").arg(++m_runs));
        ConfirmSettings(frame.Document(), frame.Document().Settings().filter, kInputFile);
        ModalDriver driver{ModalDriver::TypeFileName(in), ModalDriver::Press(QMessageBox::Ok),
                           ModalDriver::TypeFileName(out), ModalDriver::Press(QMessageBox::Ok)};
        Action(&frame, "actionRunFile")->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.seenClass() + driver.seenText()));
    }

    QTemporaryDir m_dir;
    int m_runs = 0;
    std::unique_ptr<QTranslator> m_translator;
};

QTEST_MAIN(TestPanelEnglish)
#include "tst_panelenglish.moc"
