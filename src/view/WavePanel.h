#pragma once

#include "engine/WaveSummary.h"
#include "files/WavSamples.h"
#include "view/AudioOutput.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace ravelin {

class RunSummaries;
class WaveView;

// The input and the output of the last file run, one above the other on the same time
// range, each with its play and stop buttons, a scroll bar and a readout of the values
// under the pointer. One plays at a time; switching from one to the other while
// playing carries on at the very same sample, so that the two can be compared by ear.
// Nothing of the files is held in memory: the views draw from the summaries made while
// the run streamed, and single samples and the sound are read from the files.
//
// Keys (with the keyboard in the panel): Space plays and stops, A switches between
// input and output; in a waveform + and - zoom, the arrows move the cursor (with
// Shift they select), Page Up/Down scroll, Home/End go to the ends, 0 shows it all,
// Z zooms to the selection, Esc clears it, Enter cues playback at the cursor.
class WavePanel : public QWidget {
    Q_OBJECT

  public:
    enum Signal { Input = 0, Output = 1 };

    explicit WavePanel(QWidget* parent = nullptr);
    ~WavePanel() override;

    // Shows a finished run from what it recorded, the output marked where the run
    // clamped; opens both files for reading (stopping any playback). When either cannot
    // be opened the panel is left empty with a note saying so, and false is returned.
    bool ShowRun(std::shared_ptr<const RunSummaries> run, const QString& inputPath,
                 const QString& outputPath);
    // The same for two files not made by a run here: their summaries are read from
    // them, and nothing is marked.
    bool LoadRun(const QString& inputPath, const QString& outputPath);
    bool HasRun() const { return m_loaded; }
    // Outputs the run clamped (marked in the output).
    std::uint64_t ClampedCount() const;
    const WavSampleReader& Reader(Signal which) const { return m_readers[which]; }
    // Null before a run is shown; the output's marks are the clamped samples.
    const WaveSummary* Summary(Signal which) const { return m_summaries[which]; }

    // Replaces where the sound goes (the system's output by default).
    void SetAudioOutput(std::unique_ptr<IAudioOutput> output);

    // Plays which from the cue (or over the selection, round and round); while the other
    // plays, switches to which at the same sample. Shows one message box when the sound
    // cannot be played.
    void Play(Signal which);
    void Stop();
    // Space: stops, or plays what played last.
    void TogglePlay();
    // A: the other signal, at the same sample while playing.
    void SwitchSignal();
    // -1 when nothing plays.
    int Playing() const { return m_playing; }
    // The sample being heard (while playing) or the cue.
    std::int64_t PlayPosition() const;

    // Both views show [begin, end); FitAll shows everything.
    void SetRange(double begin, double end);
    void FitAll();
    void SetSelection(std::int64_t begin, std::int64_t end);
    // The filter's delay in samples ((N - 1) / 2 for a symmetric one; 0 for none known):
    // the output can then be shown moved back by it, to compare shapes.
    void SetDelay(std::int64_t samples);
    QCheckBox* ShiftBox() const { return m_shiftBox; }
    std::int64_t SelectionBegin() const { return m_selBegin; }
    std::int64_t SelectionEnd() const { return m_selEnd; }

    WaveView* View(Signal which) const { return m_views[which]; }
    QPushButton* PlayButton(Signal which) const { return m_playButtons[which]; }
    QPushButton* StopButton(Signal which) const { return m_stopButtons[which]; }
    QLabel* Readout() const { return m_readout; }
    QScrollBar* ScrollBar() const { return m_scroll; }

  private:
    bool Open(const QString& inputPath, const QString& outputPath);
    void Present(const QString& inputPath, const QString& outputPath);
    void Poll();
    void Seek(Signal which, std::int64_t sample);
    void ShowCursor(std::int64_t sample);
    void UpdateButtons();
    void UpdateDescriptions();
    void ShowEmpty(const QString& note);
    std::uint64_t Span() const;

    std::array<WavSampleReader, 2> m_readers;
    std::shared_ptr<const RunSummaries> m_run;
    std::array<WaveSummary, 2> m_read; // when loaded from the files
    std::array<const WaveSummary*, 2> m_summaries{};
    bool m_loaded = false;

    std::unique_ptr<IAudioOutput> m_output;
    std::unique_ptr<PlaybackStream> m_stream;
    int m_playing = -1;
    int m_last = Input;     // what Space plays
    std::int64_t m_cue = 0; // where the next playback begins
    std::int64_t m_selBegin = 0, m_selEnd = 0;
    QTimer m_timer;

    std::array<WaveView*, 2> m_views{};
    std::array<QLabel*, 2> m_labels{};
    std::array<QPushButton*, 2> m_playButtons{};
    std::array<QPushButton*, 2> m_stopButtons{};
    QPushButton* m_fitButton = nullptr;
    QCheckBox* m_shiftBox = nullptr;
    std::int64_t m_delay = 0;
    QScrollBar* m_scroll = nullptr;
    double m_scrollScale = 1.0; // samples per scroll bar step
    QLabel* m_readout = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace ravelin
