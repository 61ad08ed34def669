#include "app/FilterDock.h"

#include "engine/FilterResponse.h"
#include "engine/Presets.h"
#include "view/FilterPlot.h"
#include "view/WavePanel.h"

#include <QLabel>
#include <QScrollArea>
#include <QSettings>
#include <QTabBar>
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

    auto* responsePage = new QWidget;
    auto* layout = new QVBoxLayout(responsePage);
    layout->setContentsMargins(4, 4, 4, 4);
    m_caption = new QLabel(responsePage);
    m_caption->setObjectName(QStringLiteral("filterCaption"));
    m_plot = new FilterPlot(responsePage);
    m_plot->setObjectName(QStringLiteral("filterPlot"));
    layout->addWidget(m_caption);
    layout->addWidget(m_plot, 1);
    // Scrolled rather than squeezed when the dock gives way to the diagram.
    auto* responseScroll = new QScrollArea(m_tabs);
    responseScroll->setFrameShape(QFrame::NoFrame);
    responseScroll->setWidgetResizable(true);
    responseScroll->setWidget(responsePage);
    m_tabs->addTab(responseScroll, QStringLiteral("周波数特性"));

    m_waves = new WavePanel(m_tabs);
    m_waves->setObjectName(QStringLiteral("wavePanel"));
    m_tabs->addTab(m_waves, QStringLiteral("波形と試聴"));
    // In a low window the dock gives way to the diagram down to its tabs and a strip
    // of the page, below what the plots would like.
    m_tabs->setMinimumHeight(m_tabs->tabBar()->sizeHint().height() + 48);
    setWidget(m_tabs);
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
}

void FilterDock::SetSampleRate(int hz)
{
    m_plot->SetSampleRate(hz);
}

void FilterDock::ShowRun(const QString& inputPath, const QString& outputPath)
{
    m_waves->LoadRun(inputPath, outputPath);
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
