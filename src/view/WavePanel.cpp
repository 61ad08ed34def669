#include "view/WavePanel.h"

#include "control/CommandStrings.h"
#include "files/RunSummaries.h"
#include "view/WaveView.h"
#include "words/Words.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace ravelin {

namespace {

constexpr int kPollMs = 30;
constexpr std::size_t kReadBlock = std::size_t{1} << 16;

QString Seconds(std::uint64_t samples, int rate)
{
    if (rate <= 0)
        return QCoreApplication::translate("ravelin::WavePanel", "%1 サンプル").arg(samples);
    return QCoreApplication::translate("ravelin::WavePanel", "%1 秒")
        .arg(QString::number(double(samples) / rate, 'f', 3));
}

QString Describe(const QString& role, const QString& path, const WavSampleReader& r)
{
    return QCoreApplication::translate("ravelin::WavePanel", "%1: %2（%3 Hz、%4 ビット、%5）")
        .arg(role, QFileInfo(path).fileName())
        .arg(r.SampleRate())
        .arg(r.Bits())
        .arg(Seconds(r.Count(), r.SampleRate()));
}

} // namespace

WavePanel::WavePanel(QWidget* parent) : QWidget(parent), m_output(MakeSystemAudioOutput())
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    m_note = new QLabel(tr("ファイル実行のあと、入力と出力の波形をここに表示します。"), this);
    m_note->setObjectName(QStringLiteral("waveNote"));
    grid->addWidget(m_note, 0, 0, 1, 3);
    const std::array<const char*, 2> names{"Input", "Output"};
    const std::array<QString, 2> plays{tr("入力を再生"), tr("出力を再生")};
    const std::array<QString, 2> stops{tr("入力を停止"), tr("出力を停止")};
    const std::array<QString, 2> waves{tr("入力の波形"), tr("出力の波形")};
    for (int i = 0; i < 2; ++i) {
        const auto which = Signal(i);
        m_labels[i] = new QLabel(this);
        m_labels[i]->setObjectName(QStringLiteral("waveLabel") + QLatin1String(names[i]));
        m_playButtons[i] = new QPushButton(plays[i], this);
        m_playButtons[i]->setObjectName(QStringLiteral("play") + QLatin1String(names[i]));
        m_playButtons[i]->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        m_playButtons[i]->setAccessibleName(m_playButtons[i]->text());
        m_stopButtons[i] = new QPushButton(stops[i], this);
        m_stopButtons[i]->setObjectName(QStringLiteral("stop") + QLatin1String(names[i]));
        m_stopButtons[i]->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
        m_stopButtons[i]->setAccessibleName(m_stopButtons[i]->text());
        m_views[i] = new WaveView(this);
        m_views[i]->setObjectName(QStringLiteral("wave") + QLatin1String(names[i]));
        m_views[i]->setAccessibleName(waves[i]);
        auto* buttons = new QVBoxLayout;
        buttons->addWidget(m_playButtons[i]);
        buttons->addWidget(m_stopButtons[i]);
        buttons->addStretch(1);
        grid->addWidget(m_labels[i], 1 + 2 * i, 0, 1, 3);
        grid->addLayout(buttons, 2 + 2 * i, 0);
        grid->addWidget(m_views[i], 2 + 2 * i, 1, 1, 2);
        grid->setRowStretch(2 + 2 * i, 1);
        connect(m_playButtons[i], &QPushButton::clicked, this, [this, which] { Play(which); });
        connect(m_stopButtons[i], &QPushButton::clicked, this, &WavePanel::Stop);
        connect(m_views[i], &WaveView::clicked, this,
                [this, which](std::int64_t sample) { Seek(which, sample); });
        connect(m_views[i], &WaveView::rangeRequested, this, &WavePanel::SetRange);
        connect(m_views[i], &WaveView::selectionRequested, this, &WavePanel::SetSelection);
        connect(m_views[i], &WaveView::cursorMoved, this, &WavePanel::ShowCursor);
    }
    m_scroll = new QScrollBar(Qt::Horizontal, this);
    m_scroll->setObjectName(QStringLiteral("waveScroll"));
    m_scroll->setAccessibleName(tr("波形の表示位置"));
    grid->addWidget(m_scroll, 5, 1, 1, 2);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        const WaveView* v = m_views[Input];
        const double size = v->RangeEnd() - v->RangeBegin();
        const double begin = value * m_scrollScale;
        if (std::abs(begin - v->RangeBegin()) >= m_scrollScale)
            SetRange(begin, begin + size);
    });

    auto* bottom = new QHBoxLayout;
    m_fitButton = new QPushButton(tr("全体を表示"), this);
    m_fitButton->setObjectName(QStringLiteral("waveFit"));
    m_fitButton->setAccessibleName(m_fitButton->text());
    connect(m_fitButton, &QPushButton::clicked, this, &WavePanel::FitAll);
    m_readout = new QLabel(this);
    m_readout->setObjectName(QStringLiteral("waveReadout"));
    m_readout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_shiftBox = new QCheckBox(tr("出力をフィルタの遅延だけ前に寄せる"), this);
    m_shiftBox->setObjectName(QStringLiteral("waveShift"));
    m_shiftBox->setAccessibleName(m_shiftBox->text());
    connect(m_shiftBox, &QCheckBox::toggled, this, [this](bool on) {
        m_views[Output]->SetShift(on ? double(m_delay) : 0.0);
        UpdateDescriptions();
    });
    bottom->addWidget(m_fitButton);
    bottom->addWidget(m_shiftBox);
    bottom->addStretch(1);
    grid->addLayout(bottom, 6, 0, 1, 3);
    grid->addWidget(m_readout, 7, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    space->setContext(Qt::WidgetWithChildrenShortcut);
    connect(space, &QShortcut::activated, this, &WavePanel::TogglePlay);
    auto* swap = new QShortcut(QKeySequence(Qt::Key_A), this);
    swap->setContext(Qt::WidgetWithChildrenShortcut);
    connect(swap, &QShortcut::activated, this, &WavePanel::SwitchSignal);

    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &WavePanel::Poll);
    ShowEmpty(m_note->text());
}

WavePanel::~WavePanel()
{
    Stop();
}

void WavePanel::SetAudioOutput(std::unique_ptr<IAudioOutput> output)
{
    Stop();
    m_output = std::move(output);
}

std::uint64_t WavePanel::ClampedCount() const
{
    return m_summaries[Output] ? m_summaries[Output]->MarkedCount() : 0;
}

std::uint64_t WavePanel::Span() const
{
    return std::max(m_readers[Input].Count(), m_readers[Output].Count());
}

void WavePanel::ShowEmpty(const QString& note)
{
    m_loaded = false;
    m_cue = 0;
    m_selBegin = m_selEnd = 0;
    for (int i = 0; i < 2; ++i) {
        m_views[i]->SetSignal(nullptr, nullptr, 0, kSampleRange16.lo, kSampleRange16.hi, 0);
        m_labels[i]->setText(i == Input ? tr("入力") : tr("出力"));
    }
    m_stream.reset();
    m_run.reset();
    for (WavSampleReader& r : m_readers)
        r.Close();
    for (WaveSummary& s : m_read)
        s.Clear();
    m_summaries = {};
    m_note->setText(note);
    m_note->show();
    m_readout->clear();
    m_scroll->setRange(0, 0);
    UpdateButtons();
    UpdateDescriptions();
}

bool WavePanel::Open(const QString& inputPath, const QString& outputPath)
{
    Stop();
    ShowEmpty(m_note->text());
    const std::array<QString, 2> paths{inputPath, outputPath};
    for (int i = 0; i < 2; ++i) {
        if (!m_readers[i].Open(paths[i].toStdString())) {
            ShowEmpty(
                tr("%1 を読めないため波形を表示できません。").arg(QFileInfo(paths[i]).fileName()));
            return false;
        }
    }
    return true;
}

bool WavePanel::ShowRun(std::shared_ptr<const RunSummaries> run, const QString& inputPath,
                        const QString& outputPath)
{
    if (!run)
        return LoadRun(inputPath, outputPath);
    if (!Open(inputPath, outputPath))
        return false;
    m_run = std::move(run);
    m_summaries = {&m_run->Input(), &m_run->Output()};
    Present(inputPath, outputPath);
    return true;
}

bool WavePanel::LoadRun(const QString& inputPath, const QString& outputPath)
{
    if (!Open(inputPath, outputPath))
        return false;
    std::vector<std::int32_t> block(kReadBlock);
    for (int i = 0; i < 2; ++i) {
        m_read[i].Reserve(m_readers[i].Count());
        for (std::uint64_t at = 0; at < m_readers[i].Count();) {
            const std::size_t n = m_readers[i].Read(at, block.data(), block.size());
            if (n == 0)
                break;
            m_read[i].Append(block.data(), n);
            at += n;
        }
    }
    m_summaries = {&m_read[Input], &m_read[Output]};
    Present(inputPath, outputPath);
    return true;
}

void WavePanel::Present(const QString& inputPath, const QString& outputPath)
{
    const std::uint64_t span = Span();
    for (int i = 0; i < 2; ++i) {
        const WavSampleReader& r = m_readers[i];
        const SampleRange range = SampleRangeOf(r.Bits() / 8);
        m_views[i]->SetSignal(m_summaries[i], &r, span, range.lo, range.hi, r.SampleRate());
    }
    m_stream = std::make_unique<PlaybackStream>(m_readers[Input], m_readers[Output]);
    m_labels[Input]->setText(Describe(tr("入力"), inputPath, m_readers[Input]));
    QString outText = Describe(tr("出力"), outputPath, m_readers[Output]);
    if (const std::uint64_t clipped = ClampedCount(); clipped > 0)
        outText += tr("　▼▲ %1: %2").arg(QString::fromUtf8(kClampedSamples.Text())).arg(clipped);
    m_labels[Output]->setText(outText);
    m_note->hide();
    m_loaded = true;
    FitAll();
    UpdateButtons();
    UpdateDescriptions();
}

void WavePanel::SetRange(double begin, double end)
{
    const double span = std::max<double>(1.0, double(Span()));
    const double size = std::clamp(end - begin, std::min(span, 1.0), span);
    begin = std::clamp(begin, 0.0, span - size);
    for (WaveView* v : m_views)
        v->SetRange(begin, begin + size);
    // The scroll bar in steps that fit its int.
    m_scrollScale = std::max(1.0, std::ceil(span / 1e9));
    const QSignalBlocker block(m_scroll);
    m_scroll->setRange(0, int((span - size) / m_scrollScale));
    m_scroll->setPageStep(std::max(1, int(size / m_scrollScale)));
    m_scroll->setSingleStep(std::max(1, int(size / 10 / m_scrollScale)));
    m_scroll->setValue(int(begin / m_scrollScale));
    UpdateDescriptions();
}

void WavePanel::SetDelay(std::int64_t samples)
{
    m_delay = std::max<std::int64_t>(0, samples);
    m_shiftBox->setToolTip(m_delay > 0 ? tr("%1 サンプル").arg(m_delay) : QString());
    m_views[Output]->SetShift(m_shiftBox->isChecked() ? double(m_delay) : 0.0);
    UpdateButtons();
}

void WavePanel::FitAll()
{
    SetRange(0.0, double(std::max<std::uint64_t>(1, Span())));
}

void WavePanel::SetSelection(std::int64_t begin, std::int64_t end)
{
    if (end <= begin)
        begin = end = 0;
    m_selBegin = begin;
    m_selEnd = end;
    for (WaveView* v : m_views)
        v->SetSelection(begin, end);
    UpdateDescriptions();
}

std::int64_t WavePanel::PlayPosition() const
{
    if (m_playing < 0 || !m_stream)
        return m_cue;
    const auto delivered = std::int64_t(m_stream->Delivered());
    const std::int64_t heard = std::max<std::int64_t>(0, delivered - m_output->Pending());
    return std::int64_t(m_stream->SampleAt(std::uint64_t(heard)));
}

void WavePanel::Play(Signal which)
{
    if (!m_loaded || !m_output || !m_stream)
        return;
    if (m_playing >= 0) {
        // A/B: the stream goes on with the other file from its very next sample.
        if (m_playing != which) {
            m_stream->SwitchTo(which);
            m_playing = which;
            m_last = which;
            UpdateButtons();
        }
        return;
    }
    const int rate = std::max(1, m_readers[which].SampleRate());
    std::int64_t from = m_cue;
    const bool loop = m_selEnd > m_selBegin;
    if (loop && (from < m_selBegin || from >= m_selEnd))
        from = m_selBegin;
    if (!loop && from >= std::int64_t(Span()))
        from = 0;
    m_stream->Begin(which, std::uint64_t(from), std::uint64_t(m_selBegin), std::uint64_t(m_selEnd),
                    std::uint64_t(m_output->TailSamples(rate)));
    const QString error = m_output->Start(m_stream.get(), rate);
    if (!error.isEmpty()) {
        m_stream->close();
        QMessageBox::warning(this, QString::fromUtf8(kAppTitle), error);
        return;
    }
    m_playing = which;
    m_last = which;
    for (WaveView* v : m_views)
        v->SetPosition(from);
    m_timer.start();
    UpdateButtons();
}

void WavePanel::Stop()
{
    m_timer.stop();
    if (m_output && m_playing >= 0)
        m_output->Stop();
    if (m_stream)
        m_stream->close();
    m_playing = -1;
    for (WaveView* view : m_views)
        view->SetPosition(m_loaded && m_cue > 0 ? m_cue : -1);
    UpdateButtons();
}

void WavePanel::TogglePlay()
{
    if (m_playing >= 0)
        Stop();
    else
        Play(Signal(m_last));
}

void WavePanel::SwitchSignal()
{
    const auto other = Signal(m_playing >= 0 ? 1 - m_playing : 1 - m_last);
    if (m_playing >= 0)
        Play(other);
    else
        m_last = other;
    UpdateButtons();
}

void WavePanel::Seek(Signal which, std::int64_t sample)
{
    if (!m_loaded)
        return;
    m_cue = sample;
    const int playing = m_playing;
    Stop();
    if (playing >= 0)
        Play(Signal(playing));
    else
        m_last = which;
}

void WavePanel::ShowCursor(std::int64_t sample)
{
    for (WaveView* v : m_views)
        v->SetCursor(sample);
    if (sample < 0 || !m_loaded) {
        m_readout->clear();
        return;
    }
    const int rate = m_readers[Input].SampleRate();
    QString text = rate > 0 ? tr("時刻 %1 秒（サンプル %2）")
                                  .arg(QString::number(double(sample) / rate, 'f', 4))
                                  .arg(sample)
                            : tr("サンプル %1").arg(sample);
    const std::array<QString, 2> roles{tr("入力"), tr("出力")};
    // The output as drawn: moved back by the delay when asked.
    const auto shift = std::int64_t(m_views[Output]->Shift());
    for (int i = 0; i < 2; ++i) {
        std::int32_t value = 0;
        const std::int64_t at = sample + (i == Output ? shift : 0);
        if (at >= 0 && m_readers[i].Read(std::uint64_t(at), &value, 1) == 1)
            text += tr("　%1 %2").arg(roles[i]).arg(value);
        if (i == Output && shift > 0)
            text += tr("（サンプル %1）").arg(at);
    }
    if (m_summaries[Output] && sample + shift >= 0 &&
        m_summaries[Output]->Marked(std::uint64_t(sample + shift)))
        text += tr("（クリップ）");
    m_readout->setText(text);
}

void WavePanel::Poll()
{
    if (m_playing < 0)
        return;
    if (!m_output->IsPlaying()) {
        const QString failure = m_output->Failure();
        Stop();
        if (!failure.isEmpty())
            QMessageBox::warning(this, QString::fromUtf8(kAppTitle), failure);
        return;
    }
    const std::int64_t at = PlayPosition();
    for (WaveView* v : m_views)
        v->SetPosition(at);
    // Zoomed in, the view turns the page as the sound moves on.
    const WaveView* v = m_views[Input];
    const double size = v->RangeEnd() - v->RangeBegin();
    if (double(at) >= v->RangeEnd() || double(at) < v->RangeBegin())
        SetRange(double(at) - size * 0.05, double(at) + size * 0.95);
}

void WavePanel::UpdateButtons()
{
    for (int i = 0; i < 2; ++i) {
        m_playButtons[i]->setEnabled(m_loaded && m_playing != i);
        m_stopButtons[i]->setEnabled(m_playing == i);
    }
    m_fitButton->setEnabled(m_loaded);
    m_shiftBox->setEnabled(m_loaded && m_delay > 0);
    m_scroll->setEnabled(m_loaded);
}

void WavePanel::UpdateDescriptions()
{
    const std::array<QString, 2> roles{tr("入力"), tr("出力")};
    for (int i = 0; i < 2; ++i) {
        if (!m_loaded || !m_summaries[i]) {
            m_views[i]->setAccessibleDescription(tr("波形はまだありません"));
            continue;
        }
        const WavSampleReader& r = m_readers[i];
        const WaveView* v = m_views[i];
        const WaveSummary::Range all = m_summaries[i]->Query(0, m_summaries[i]->Size());
        const int rate = r.SampleRate();
        QString text = tr("%1、長さ %2、最小 %3、最大 %4、表示 %5 から %6")
                           .arg(roles[i], Seconds(r.Count(), rate))
                           .arg(all.lo)
                           .arg(all.hi)
                           .arg(Seconds(std::uint64_t(v->RangeBegin()), rate),
                                Seconds(std::uint64_t(v->RangeEnd()), rate));
        if (m_selEnd > m_selBegin)
            text += tr("、選択 %1 から %2")
                        .arg(Seconds(std::uint64_t(m_selBegin), rate),
                             Seconds(std::uint64_t(m_selEnd), rate));
        if (i == Output && v->Shift() > 0)
            text +=
                tr("、フィルタの遅延 %1 サンプルだけ前に寄せて表示").arg(std::int64_t(v->Shift()));
        if (i == Output) {
            const std::uint64_t clipped = ClampedCount();
            if (clipped == 0)
                text += tr("、クリップなし");
            else
                text += tr("、%1 %2（最初は %3）")
                            .arg(QString::fromUtf8(kClampedSamples.Text()))
                            .arg(clipped)
                            .arg(Seconds(m_summaries[i]->NextMarked(0), rate));
        }
        m_views[i]->setAccessibleDescription(text);
    }
}

} // namespace ravelin
