#include "view/ResponseControls.h"

#include "view/FilterPlot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ravelin {

ResponseControls::ResponseControls(FilterPlot* plot, QWidget* parent)
    : QWidget(parent), m_plot(plot)
{
    // Two rows, what to show and how to scale it, so that the panel fits the window's
    // width at first start.
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* views = new QHBoxLayout;
    auto* scale = new QHBoxLayout;
    rows->addLayout(views);
    rows->addLayout(scale);

    m_time = new QComboBox(this);
    m_time->setObjectName(QStringLiteral("timeView"));
    m_time->addItems({tr("インパルス応答"), tr("ステップ応答")});
    m_time->setAccessibleName(tr("時間応答の表示"));
    auto* timeLabel = new QLabel(tr("時間(&T):"), this);
    timeLabel->setBuddy(m_time);

    m_frequency = new QComboBox(this);
    m_frequency->setObjectName(QStringLiteral("frequencyView"));
    m_frequency->addItems({tr("振幅特性"), tr("位相特性"), tr("群遅延")});
    m_frequency->setAccessibleName(tr("周波数特性の表示"));
    auto* frequencyLabel = new QLabel(tr("周波数(&Q):"), this);
    frequencyLabel->setBuddy(m_frequency);

    m_log = new QCheckBox(tr("対数周波数軸(&L)"), this);
    m_log->setObjectName(QStringLiteral("logAxis"));

    m_range = new QDoubleSpinBox(this);
    m_range->setObjectName(QStringLiteral("rangeDb"));
    m_range->setRange(0.01, 400.0);
    m_range->setDecimals(2);
    m_range->setSuffix(QStringLiteral(" dB"));
    m_range->setKeyboardTracking(false);
    m_range->setAccessibleName(tr("振幅の表示範囲"));
    auto* rangeLabel = new QLabel(tr("範囲(&R):"), this);
    rangeLabel->setBuddy(m_range);

    auto* passBand = new QPushButton(tr("通過域を拡大(&P)"), this);
    passBand->setObjectName(QStringLiteral("zoomPassBand"));
    auto* fit = new QPushButton(tr("全体表示(&A)"), this);
    fit->setObjectName(QStringLiteral("fitAll"));

    views->addWidget(timeLabel);
    views->addWidget(m_time);
    views->addWidget(frequencyLabel);
    views->addWidget(m_frequency);
    views->addStretch(1);
    scale->addWidget(m_log);
    scale->addWidget(rangeLabel);
    scale->addWidget(m_range);
    scale->addWidget(passBand);
    scale->addWidget(fit);
    scale->addStretch(1);

    connect(m_time, &QComboBox::currentIndexChanged, plot, [plot](int i) {
        plot->SetTimeView(i == 1 ? FilterPlot::TimeView::Step : FilterPlot::TimeView::Impulse);
    });
    connect(m_frequency, &QComboBox::currentIndexChanged, plot, [plot](int i) {
        plot->SetFrequencyView(i == 1   ? FilterPlot::FrequencyView::Phase
                               : i == 2 ? FilterPlot::FrequencyView::GroupDelay
                                        : FilterPlot::FrequencyView::Magnitude);
    });
    connect(m_log, &QCheckBox::toggled, plot, &FilterPlot::SetLogFrequency);
    connect(m_range, &QDoubleSpinBox::valueChanged, plot, [plot](double range) {
        if (std::abs(range - plot->DbRange()) > 1e-9)
            plot->SetDbRange(plot->DbTop(), range);
    });
    connect(passBand, &QPushButton::clicked, plot, &FilterPlot::ZoomPassBand);
    connect(fit, &QPushButton::clicked, plot, &FilterPlot::FitAll);
    connect(plot, &FilterPlot::viewChanged, this, &ResponseControls::Follow);
    Follow();
}

void ResponseControls::Follow()
{
    const QSignalBlocker b1(m_time), b2(m_frequency), b3(m_log), b4(m_range);
    m_time->setCurrentIndex(m_plot->GetTimeView() == FilterPlot::TimeView::Step ? 1 : 0);
    m_frequency->setCurrentIndex(int(m_plot->GetFrequencyView()));
    m_log->setChecked(m_plot->LogFrequency());
    m_range->setValue(m_plot->DbRange());
    m_range->setEnabled(m_plot->GetFrequencyView() == FilterPlot::FrequencyView::Magnitude);
}

} // namespace ravelin
