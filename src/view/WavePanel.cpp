#include "view/WavePanel.h"

#include "control/CommandStrings.h"
#include "view/WaveView.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace ravelin {

namespace {

constexpr int kPollMs = 40;

QString Describe(const QString& role, const QString& path, const WavSamples& s)
{
    const double seconds = s.sampleRate > 0 ? double(s.samples.size()) / s.sampleRate : 0.0;
    return QStringLiteral("%1: %2（%3 Hz、%4 ビット、%5 秒）")
        .arg(role, QFileInfo(path).fileName())
        .arg(s.sampleRate)
        .arg(s.bits)
        .arg(QString::number(seconds, 'f', 2));
}

} // namespace

WavePanel::WavePanel(QWidget* parent) : QWidget(parent), m_output(MakeSystemAudioOutput())
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    m_note = new QLabel(QStringLiteral("ファイル実行のあと、入力と出力の波形をここに表示します。"),
                        this);
    m_note->setObjectName(QStringLiteral("waveNote"));
    grid->addWidget(m_note, 0, 0, 1, 3);
    const std::array<const char*, 2> names{"Input", "Output"};
    for (int i = 0; i < 2; ++i) {
        const auto which = Signal(i);
        m_labels[i] = new QLabel(this);
        m_labels[i]->setObjectName(QStringLiteral("waveLabel") + QLatin1String(names[i]));
        m_playButtons[i] = new QPushButton(QStringLiteral("再生"), this);
        m_playButtons[i]->setObjectName(QStringLiteral("play") + QLatin1String(names[i]));
        m_playButtons[i]->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        m_stopButtons[i] = new QPushButton(QStringLiteral("停止"), this);
        m_stopButtons[i]->setObjectName(QStringLiteral("stop") + QLatin1String(names[i]));
        m_stopButtons[i]->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
        m_views[i] = new WaveView(this);
        m_views[i]->setObjectName(QStringLiteral("wave") + QLatin1String(names[i]));
        grid->addWidget(m_labels[i], 1 + 2 * i, 0, 1, 3);
        grid->addWidget(m_playButtons[i], 2 + 2 * i, 0, Qt::AlignTop);
        grid->addWidget(m_stopButtons[i], 2 + 2 * i, 1, Qt::AlignTop);
        grid->addWidget(m_views[i], 2 + 2 * i, 2);
        grid->setRowStretch(2 + 2 * i, 1);
        connect(m_playButtons[i], &QPushButton::clicked, this, [this, which] { Play(which); });
        connect(m_stopButtons[i], &QPushButton::clicked, this, &WavePanel::Stop);
        connect(m_views[i], &WaveView::clicked, this,
                [this, which](std::int64_t sample) { Seek(which, sample); });
    }
    grid->setColumnStretch(2, 1);
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

void WavePanel::ShowEmpty(const QString& note)
{
    m_loaded = false;
    m_fullScale = 0;
    m_cue = 0;
    for (int i = 0; i < 2; ++i) {
        m_views[i]->SetSignal(nullptr, 0, kSampleRange16.lo, kSampleRange16.hi);
        m_summaries[i].Build({}); // holds no view of samples about to be replaced
        m_labels[i]->setText(i == Input ? QStringLiteral("入力") : QStringLiteral("出力"));
    }
    m_note->setText(note);
    m_note->show();
    UpdateButtons();
}

bool WavePanel::LoadRun(const QString& inputPath, const QString& outputPath)
{
    Stop();
    ShowEmpty(m_note->text());
    const std::array<QString, 2> paths{inputPath, outputPath};
    for (int i = 0; i < 2; ++i) {
        const WavReadResult result = ReadWavSamples(paths[i].toStdString(), m_samples[i]);
        if (result != WavReadResult::Ok) {
            for (WavSamples& s : m_samples)
                s = {};
            ShowEmpty(QStringLiteral("%1 を読めないため波形を表示できません。")
                          .arg(QFileInfo(paths[i]).fileName()));
            return false;
        }
    }
    const WavSamples& in = m_samples[Input];
    const WavSamples& out = m_samples[Output];
    m_fullScaleMarks = FullScaleMarks(in.samples, out.samples, out.Lo(), out.Hi());
    m_fullScale = std::size_t(std::count(m_fullScaleMarks.begin(), m_fullScaleMarks.end(), true));
    m_summaries[Input].Build(in.samples);
    m_summaries[Output].Build(out.samples, &m_fullScaleMarks);
    const std::size_t span = std::max(in.samples.size(), out.samples.size());
    for (int i = 0; i < 2; ++i)
        m_views[i]->SetSignal(&m_summaries[i], span, m_samples[i].Lo(), m_samples[i].Hi());
    m_labels[Input]->setText(Describe(QStringLiteral("入力"), inputPath, in));
    QString outText = Describe(QStringLiteral("出力"), outputPath, out);
    if (m_fullScale > 0)
        outText += QStringLiteral("　赤い印: 最大振幅に達したサンプル %1 個").arg(m_fullScale);
    m_labels[Output]->setText(outText);
    m_note->hide();
    m_loaded = true;
    UpdateButtons();
    return true;
}

void WavePanel::Play(Signal which)
{
    if (!m_loaded || !m_output)
        return;
    const WavSamples& s = m_samples[which];
    // Switching while playing carries on at the same moment.
    std::int64_t from = m_cue;
    if (m_playing >= 0)
        from = m_startSample + m_output->Played();
    Stop();
    if (from >= std::int64_t(s.samples.size()))
        from = 0;
    std::span<const std::int16_t> samples(s.samples);
    if (s.bits == 8) {
        m_playBuffer.resize(s.samples.size());
        for (std::size_t i = 0; i < s.samples.size(); ++i)
            m_playBuffer[i] = std::int16_t(s.samples[i] * 256);
        samples = m_playBuffer;
    }
    const QString error = m_output->Start(samples.subspan(std::size_t(from)), s.sampleRate);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QString::fromUtf8(kAppTitle), error);
        return;
    }
    m_playing = which;
    m_startSample = from;
    m_views[which]->SetPosition(from);
    m_timer.start();
    UpdateButtons();
}

void WavePanel::Stop()
{
    m_timer.stop();
    if (m_output && m_playing >= 0)
        m_output->Stop();
    m_playing = -1;
    for (WaveView* view : m_views)
        view->SetPosition(m_loaded && m_cue > 0 ? m_cue : -1);
    m_playBuffer.clear();
    UpdateButtons();
}

void WavePanel::Seek(Signal which, std::int64_t sample)
{
    if (!m_loaded)
        return;
    m_cue = sample;
    if (m_playing >= 0) {
        Stop();
        Play(which);
    } else {
        Stop();
    }
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
    m_views[m_playing]->SetPosition(m_startSample + m_output->Played());
}

void WavePanel::UpdateButtons()
{
    for (int i = 0; i < 2; ++i) {
        m_playButtons[i]->setEnabled(m_loaded && m_playing != i);
        m_stopButtons[i]->setEnabled(m_playing == i);
    }
}

} // namespace ravelin
