#include "app/FilterDock.h"

#include "engine/FilterResponse.h"
#include "engine/Presets.h"
#include "view/FilterPlot.h"
#include "view/WavePanel.h"

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

CFilterDock::CFilterDock(QWidget* parent) : QDockWidget(QStringLiteral("フィルタ特性"), parent)
{
    setObjectName(QStringLiteral("filterDock"));
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName(QStringLiteral("filterTabs"));

    auto* responsePage = new QWidget(m_pTabs);
    auto* layout = new QVBoxLayout(responsePage);
    layout->setContentsMargins(4, 4, 4, 4);
    m_pCaption = new QLabel(responsePage);
    m_pCaption->setObjectName(QStringLiteral("filterCaption"));
    m_pPlot = new CFilterPlot(responsePage);
    m_pPlot->setObjectName(QStringLiteral("filterPlot"));
    layout->addWidget(m_pCaption);
    layout->addWidget(m_pPlot, 1);
    m_pTabs->addTab(responsePage, QStringLiteral("周波数特性"));

    m_pWaves = new CWavePanel(m_pTabs);
    m_pWaves->setObjectName(QStringLiteral("wavePanel"));
    m_pTabs->addTab(m_pWaves, QStringLiteral("波形と試聴"));
    setWidget(m_pTabs);
}

void CFilterDock::SetSettings(const SettingsValues& settings)
{
    if (settings.filter >= 0 && settings.filter < int(kFilterPresets.size())) {
        const std::string_view caption = kFilterPresets[std::size_t(settings.filter)].caption;
        m_pCaption->setText(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
    } else {
        m_pCaption->setText(QStringLiteral("フィルタが選ばれていません"));
    }
    m_pPlot->SetTaps(FilePresetTaps(settings));
}

void CFilterDock::SetSampleRate(int hz)
{
    m_pPlot->SetSampleRate(hz);
}

void CFilterDock::ShowRun(const QString& inputPath, const QString& outputPath)
{
    m_pWaves->LoadRun(inputPath, outputPath);
    m_pTabs->setCurrentWidget(m_pWaves);
}

void CFilterDock::StopPlayback()
{
    m_pWaves->Stop();
}

bool CFilterDock::LoadShown()
{
    QSettings store(QString::fromUtf8(kOrganisation), QString::fromUtf8(kApplication));
    return store.value(QString::fromLatin1(kShownKey), false).toBool();
}

void CFilterDock::SaveShown(bool shown)
{
    QSettings store(QString::fromUtf8(kOrganisation), QString::fromUtf8(kApplication));
    store.setValue(QString::fromLatin1(kShownKey), shown);
}

} // namespace ravelin
