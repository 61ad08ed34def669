#pragma once

#include "engine/FilterDesign.h"

#include <QWidget>
#include <memory>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QTemporaryDir;

namespace ravelin {

class FilterPlot;
class RemovedOnSignal;

// The "設計" tab: a filter designed by the window method (or loaded from a coefficient
// file), its impulse and magnitude responses and measured properties following every
// change; saving it, using it for the file run, and listening to it on the last run's
// input. The last design is kept in the settings from one start to the next.
class DesignPanel : public QWidget {
    Q_OBJECT

  public:
    explicit DesignPanel(QWidget* parent = nullptr);
    ~DesignPanel() override;

    // The taps shown: the design, or the file loaded since the last change of a
    // parameter. Empty while the parameters give no filter (Problem() says why).
    const std::vector<double>& Taps() const { return m_taps; }
    // What the filter is called in the panel and in the file run's information text.
    QString FilterName() const;
    QString Problem() const;
    DesignSpec Spec() const;
    // The sums of |h| and the like, as shown.
    const DesignMeasures& Measures() const { return m_measures; }

    // Loads a coefficient file as a user's "load" would; false (and a message box) when
    // it cannot be used.
    bool LoadFile(const QString& path);
    // Writes the taps with a header on how they were made; false with a message box.
    bool SaveFile(const QString& path);

    // The input of the last file run, which "listen" filters again; empty for none.
    void SetLastRunInput(const QString& path);
    // Where "listen" put its output (in a folder of its own, removed with the panel);
    // empty before the first.
    QString ListenOutput() const { return m_listenPath; }

    FilterPlot* Plot() const { return m_plot; }
    QSpinBox* TapsBox() const { return m_tapsBox; }
    QComboBox* TypeBox() const { return m_type; }
    QComboBox* WindowBox() const { return m_window; }
    QDoubleSpinBox* CutoffBox(int which) const { return which ? m_high : m_low; }
    QPushButton* UseButton() const { return m_use; }
    QPushButton* ListenButton() const { return m_listen; }
    QPushButton* SaveListenButton() const { return m_saveListen; }
    QLabel* MeasuresLabel() const { return m_measuresLabel; }

    int heightForWidth(int width) const override;
    // The form beside the plots, or above them where the panel is too narrow for both.
    bool FormAbove() const;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  signals:
    // "use for the file run": these taps become the file run's filter.
    void useForFileRun(const std::vector<double>& taps, const QString& name);
    // "listen" wrote its output: to be shown and played against the input.
    void listenReady(const QString& inputPath, const QString& outputPath);

  private:
    void Redesign();
    void UpdateEnabled();
    void ShowMeasures();
    void ShowProblem(const QString& problem);
    void FollowWidth(int width);
    static void KeepLinesWhole(QLabel* label);
    void SetUnitHz(bool hz);
    void LoadSettings();
    void SaveSettings() const;
    void OnLoad();
    void OnSave();
    void OnListen();
    void OnSaveListen();
    std::vector<std::string> Header() const;
    double Scale() const; // Hz per cycle per sample: the rate, or 1
    // Kaiser's length formula sets the taps from the transition width.
    bool WidthGiven() const;

    QComboBox* m_type = nullptr;
    QComboBox* m_unit = nullptr;
    QSpinBox* m_rate = nullptr;
    QDoubleSpinBox* m_low = nullptr;
    QDoubleSpinBox* m_high = nullptr;
    QSpinBox* m_tapsBox = nullptr;
    QComboBox* m_window = nullptr;
    QDoubleSpinBox* m_beta = nullptr;
    QCheckBox* m_fromAtten = nullptr;
    QDoubleSpinBox* m_atten = nullptr;
    QCheckBox* m_fromWidth = nullptr;
    QDoubleSpinBox* m_width = nullptr;
    QCheckBox* m_scale = nullptr;
    QBoxLayout* m_layout = nullptr;
    QLayout* m_left = nullptr; // the form and the buttons
    QFormLayout* m_form = nullptr;
    QLabel* m_problem = nullptr;
    QLabel* m_source = nullptr;
    QLabel* m_measuresLabel = nullptr;
    FilterPlot* m_plot = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_use = nullptr;
    QPushButton* m_listen = nullptr;
    QPushButton* m_saveListen = nullptr;

    std::vector<double> m_taps;
    DesignMeasures m_measures;
    DesignError m_error = DesignError::None;
    QString m_loadedName; // the file loaded, while its taps are shown
    QString m_lastRunInput;
    std::unique_ptr<QTemporaryDir> m_listenDir;
    QString m_listenPath;
    // An hour's result is hundreds of megabytes: a killed program removes it too.
    std::unique_ptr<RemovedOnSignal> m_listenRemoved, m_listenDirRemoved;
    bool m_restoring = false; // settings being put into the fields
};

} // namespace ravelin
