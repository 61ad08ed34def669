#include "app/FilterDock.h"

#include "engine/FilterResponse.h"
#include "engine/Presets.h"
#include "view/FilterPlot.h"
#include "view/ResponseControls.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"

#include <QAction>
#include <QLabel>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>

namespace ravelin {

namespace {

// The same settings store as the recent-file list.
constexpr const char* kOrganisation = "Local AppWizard-Generated Applications";
constexpr const char* kApplication = "Ravelin";

constexpr const char* kShownKey = "Views/FilterPanel";

} // namespace

FilterDock::FilterDock(QWidget* parent) : QDockWidget(QStringLiteral("フィルタ特性"), parent)
{
    setObjectName(QStringLiteral("filterDock"));
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("filterTabs"));

    auto* responsePage = new QWidget(m_tabs);
    auto* layout = new QVBoxLayout(responsePage);
    layout->setContentsMargins(4, 4, 4, 4);
    m_caption = new QLabel(responsePage);
    m_caption->setObjectName(QStringLiteral("filterCaption"));
    m_plot = new FilterPlot(responsePage);
    m_plot->setObjectName(QStringLiteral("filterPlot"));
    layout->addWidget(m_caption);
    layout->addWidget(new ResponseControls(m_plot, responsePage));
    layout->addWidget(m_plot, 1);
    m_tabs->addTab(responsePage, QStringLiteral("周波数特性"));

    m_waves = new WavePanel(m_tabs);
    m_waves->setObjectName(QStringLiteral("wavePanel"));
    m_tabs->addTab(m_waves, QStringLiteral("波形と試聴"));
    setWidget(m_tabs);
    // Either waveform starts the demonstration at the same sample of the input.
    for (WaveView* view : {m_waves->View(WavePanel::Input), m_waves->View(WavePanel::Output)})
        connect(view, &WaveView::animateFrom, this,
                [this](std::int64_t sample) { emit animateFromFile(m_inputPath, sample); });
    UpdateAnimateHere();
}

void FilterDock::UpdateAnimateHere()
{
    for (WaveView* view : {m_waves->View(WavePanel::Input), m_waves->View(WavePanel::Output)}) {
        QAction* action = view->AnimateHereAction();
        action->setEnabled(m_canAnimate && !m_inputPath.isEmpty());
        // Says why it cannot start, in the menu itself.
        action->setText(
            m_canAnimate || m_inputPath.isEmpty()
                ? QStringLiteral("この位置からアニメーション")
                : QStringLiteral(
                      "この位置からアニメーション（10 タップのフィルタを設定で選ぶと使えます）"));
    }
}

void FilterDock::SetSettings(const SettingsValues& settings)
{
    if (settings.filter >= 0 && settings.filter < int(kFilterPresets.size())) {
        const std::string_view caption = kFilterPresets[std::size_t(settings.filter)].caption;
        m_caption->setText(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
    } else {
        m_caption->setText(QStringLiteral("フィルタが選ばれていません"));
    }
    m_plot->SetTaps(FilePresetTaps(settings));
    m_canAnimate = IsDemoFilter(settings.filter);
    UpdateAnimateHere();
}

void FilterDock::SetSampleRate(int hz)
{
    m_plot->SetSampleRate(hz);
}

void FilterDock::ShowRun(const QString& inputPath, const QString& outputPath)
{
    m_waves->LoadRun(inputPath, outputPath);
    m_inputPath = inputPath;
    UpdateAnimateHere();
    m_tabs->setCurrentWidget(m_waves);
}

void FilterDock::StopPlayback()
{
    m_waves->Stop();
}

bool FilterDock::LoadShown()
{
    QSettings store(QString::fromUtf8(kOrganisation), QString::fromUtf8(kApplication));
    return store.value(QString::fromLatin1(kShownKey), false).toBool();
}

void FilterDock::SaveShown(bool shown)
{
    QSettings store(QString::fromUtf8(kOrganisation), QString::fromUtf8(kApplication));
    store.setValue(QString::fromLatin1(kShownKey), shown);
}

} // namespace ravelin
