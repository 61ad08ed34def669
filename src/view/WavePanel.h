#pragma once

#include "engine/WaveSummary.h"
#include "files/WavSamples.h"
#include "view/AudioOutput.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

class QLabel;
class QPushButton;

namespace ravelin {

class WaveView;

// The input and the output of the last file run, one above the other on the same
// time scale, each with its play and stop buttons. One plays at a time; switching
// from one to the other while playing carries on at the same moment, so that the two
// can be compared by ear.
class WavePanel : public QWidget {
    Q_OBJECT

  public:
    enum Signal { Input = 0, Output = 1 };

    explicit WavePanel(QWidget* parent = nullptr);
    ~WavePanel() override;

    // Reads both files (stopping any playback). When either cannot be read the panel
    // is left empty with a note saying so, and false is returned.
    bool LoadRun(const QString& inputPath, const QString& outputPath);
    bool HasRun() const { return m_loaded; }
    const WavSamples& Samples(Signal which) const { return m_samples[which]; }
    // Output samples marked as having reached full scale.
    std::size_t FullScaleCount() const { return m_fullScale; }

    // Replaces where the sound goes (the system's output by default).
    void SetAudioOutput(std::unique_ptr<IAudioOutput> output);

    // Plays which from the position line (or from the start), stopping the other;
    // shows one message box when the sound cannot be played.
    void Play(Signal which);
    void Stop();
    // -1 when nothing plays.
    int Playing() const { return m_playing; }

    WaveView* View(Signal which) const { return m_views[which]; }
    QPushButton* PlayButton(Signal which) const { return m_playButtons[which]; }
    QPushButton* StopButton(Signal which) const { return m_stopButtons[which]; }

  private:
    void Poll();
    void Seek(Signal which, std::int64_t sample);
    void UpdateButtons();
    void ShowEmpty(const QString& note);

    std::array<WavSamples, 2> m_samples;
    std::array<WaveSummary, 2> m_summaries;
    std::vector<bool> m_fullScaleMarks;
    std::size_t m_fullScale = 0;
    bool m_loaded = false;
    // 8-bit files are played scaled to 16 bits; 16-bit samples are played in place.
    std::vector<std::int16_t> m_playBuffer;

    std::unique_ptr<IAudioOutput> m_output;
    int m_playing = -1;
    std::int64_t m_startSample = 0; // where the current playback began
    std::int64_t m_cue = 0;         // where the next one begins
    QTimer m_timer;

    std::array<WaveView*, 2> m_views{};
    std::array<QLabel*, 2> m_labels{};
    std::array<QPushButton*, 2> m_playButtons{};
    std::array<QPushButton*, 2> m_stopButtons{};
    QLabel* m_note = nullptr;
};

} // namespace ravelin
