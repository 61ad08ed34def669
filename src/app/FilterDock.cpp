#include "app/FilterDock.h"

#include "app/DesignPanel.h"
#include "app/SettingsLocation.h"
#include "engine/FilterResponse.h"
#include "engine/Presets.h"
#include "files/RunSummaries.h"
#include "view/FilterPlot.h"
#include "view/ResponseControls.h"
#include "view/WavePanel.h"
#include "view/WaveView.h"
#include "words/Words.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace ravelin {

namespace {

constexpr const char* kShownKey = "Views/FilterPanel";

} // namespace

FilterDock::FilterDock(QWidget* parent) : QDockWidget(tr("フィルタ特性"), parent)
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
    layout->addWidget(new ResponseControls(m_plot, responsePage));
    layout->addWidget(m_plot, 1);
    // Every page scrolls rather than squeezes when the dock gives way to the diagram,
    // and none holds the window wider than the diagram needs.
    const auto addScrolled = [this](QWidget* page, const QString& title) {
        auto* scroll = new QScrollArea(m_tabs);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(page);
        m_tabs->addTab(scroll, title);
    };
    addScrolled(responsePage, tr("周波数特性"));
    m_waves = new WavePanel;
    m_waves->setObjectName(QStringLiteral("wavePanel"));
    addScrolled(m_waves, tr("波形と試聴"));
    m_design = new DesignPanel;
    m_design->setObjectName(QStringLiteral("designPanel"));
    addScrolled(m_design, tr("設計"));
    // "listen": the design's output against the same input, on the waveforms' tab.
    connect(m_design, &DesignPanel::listenReady, this,
            [this](const QString& inputPath, const QString& outputPath) {
                m_waves->LoadRun(inputPath, outputPath);
                ShowPage(m_waves);
            });
    // In a low window the dock gives way to the diagram down to its tabs and a strip
    // of the page, below what the plots would like.
    m_tabs->setMinimumHeight(m_tabs->tabBar()->sizeHint().height() + 48);
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
                ? tr("この位置からアニメーション")
                : tr("この位置からアニメーション（10 タップのフィルタを設定で選ぶと使えます）"));
    }
}

void FilterDock::SetSettings(const SettingsValues& settings)
{
    if (settings.filter >= 0 && settings.filter < int(kFilterPresets.size())) {
        const std::string_view caption = kFilterCaptions[std::size_t(settings.filter)].Text();
        m_caption->setText(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
    } else {
        m_caption->setText(tr("フィルタが選ばれていません"));
    }
    const std::vector<double> taps = FilePresetTaps(settings);
    // A symmetric filter delays every frequency alike, by (N - 1) / 2 samples.
    const bool symmetric =
        std::equal(taps.begin(), taps.begin() + std::ptrdiff_t(taps.size() / 2), taps.rbegin());
    m_delay = !taps.empty() && symmetric ? std::int64_t(taps.size() - 1) / 2 : 0;
    m_plot->SetTaps(taps);
    m_canAnimate = IsDemoFilter(settings.filter);
    UpdateAnimateHere();
}

// Docked above or below the diagram, where it takes height from it.
bool FilterDock::AcrossTheWindow(const QMainWindow& window)
{
    return !isFloating() && window.dockWidgetArea(this) != Qt::LeftDockWidgetArea &&
           window.dockWidgetArea(this) != Qt::RightDockWidgetArea;
}

bool FilterDock::ShowIn(QMainWindow& window, bool show)
{
    if (show == !isHidden())
        return false;
    const bool normal = !(window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) &&
                        AcrossTheWindow(window);
    setVisible(show);
    m_justShown = show;
    if (normal && window.isVisible() && show) {
        const int height = window.height();
        const int room = window.screen() ? window.screen()->availableGeometry().height() -
                                               (window.frameGeometry().height() - height)
                                         : height;
        const int wanted = m_room > 0 ? m_room : sizeHint().height();
        const int grown = std::min(height + wanted, room);
        m_growth = std::max(0, grown - height);
        window.resize(window.width(), height + m_growth);
    }
    return true;
}

void FilterDock::GiveBackGrowth(QMainWindow& window)
{
    if (m_growth == 0)
        return;
    // What the dock took: its height, which a hidden widget keeps, and the separator.
    const int taken = height() + window.style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent,
                                                             nullptr, &window);
    const int growth = m_growth < 0 ? taken : m_growth;
    if (!(window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) &&
        AcrossTheWindow(window)) {
        m_room = taken;
        window.resize(window.width(), window.height() - growth);
    }
    m_growth = 0;
    m_gaveWay = 0;
}

void FilterDock::FitBeside(QMainWindow& window, const QWidget& view)
{
    m_windowHeight = window.height();
    if (isHidden() || !AcrossTheWindow(window))
        return;
    const int dock = height();
    // A view the layout left no room parks outside the window at its old size.
    const int viewHeight = view.geometry().intersected(window.rect()).height();
    const int want = view.sizeHint().height();
    const int least = minimumSizeHint().height();
    int target = dock;
    if (viewHeight < want && dock > least) {
        // The layout squeezes the view first, and the dock only once the view has nothing
        // left: the dock may already be below its own height.
        if (m_gaveWay == 0)
            m_gaveWay = std::max(dock, m_settled);
        target = std::max(least, dock + viewHeight - want);
    } else if (m_gaveWay > dock && viewHeight > want) {
        target = std::min(m_gaveWay, dock + viewHeight - want);
        if (target >= m_gaveWay)
            m_gaveWay = 0;
    }
    if (m_gaveWay == 0)
        m_settled = target;
    if (target != dock)
        window.resizeDocks({this}, {target}, Qt::Vertical);
}

void FilterDock::LaidOut(QMainWindow& window, const QWidget& view)
{
    if (m_justShown) {
        m_justShown = false;
        FitBeside(window, view);
    }
}

void FilterDock::resizeEvent(QResizeEvent* event)
{
    QDockWidget::resizeEvent(event);
    // Within a window of the same height, the user moved the separator: the dock's own
    // height from now on.
    if (m_gaveWay == 0 && !isFloating() && parentWidget() &&
        parentWidget()->height() == m_windowHeight)
        m_settled = height();
}

void FilterDock::ShowPage(QWidget* page)
{
    for (int i = 0; i < m_tabs->count(); ++i)
        if (m_tabs->widget(i)->isAncestorOf(page))
            m_tabs->setCurrentIndex(i);
}

QWidget* FilterDock::CurrentPage() const
{
    const auto* scroll = qobject_cast<const QScrollArea*>(m_tabs->currentWidget());
    return scroll ? scroll->widget() : m_tabs->currentWidget();
}

void FilterDock::SetCustomFilter(const QString& name, const std::vector<double>& taps)
{
    m_caption->setText(name);
    m_plot->SetTaps(taps);
}

void FilterDock::SetSampleRate(int hz)
{
    m_plot->SetSampleRate(hz);
}

void FilterDock::ShowRun(const QString& inputPath, const QString& outputPath,
                         std::shared_ptr<const RunSummaries> run)
{
    m_waves->SetDelay(m_delay);
    m_waves->ShowRun(std::move(run), inputPath, outputPath);
    m_inputPath = inputPath;
    UpdateAnimateHere();
    ShowPage(m_waves);
    m_design->SetLastRunInput(inputPath);
}

void FilterDock::StopPlayback()
{
    m_waves->Stop();
}

bool FilterDock::LoadShown()
{
    QSettings store = OpenSettings();
    return store.value(QString::fromLatin1(kShownKey), false).toBool();
}

void FilterDock::SaveShown(bool shown)
{
    QSettings store = OpenSettings();
    store.setValue(QString::fromLatin1(kShownKey), shown);
}

} // namespace ravelin
