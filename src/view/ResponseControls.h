#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

namespace ravelin {

class FilterPlot;

// The row above the response plots: which responses they show, the frequency axis,
// the dB range, the pass band's zoom and "fit all". It follows the plot's own zoom.
class ResponseControls : public QWidget {
    Q_OBJECT

  public:
    ResponseControls(FilterPlot* plot, QWidget* parent = nullptr);

    QComboBox* TimeChoice() const { return m_time; }
    QComboBox* FrequencyChoice() const { return m_frequency; }
    QCheckBox* LogAxis() const { return m_log; }
    QDoubleSpinBox* RangeDb() const { return m_range; }

  private:
    void Follow();

    FilterPlot* m_plot;
    QComboBox* m_time = nullptr;
    QComboBox* m_frequency = nullptr;
    QCheckBox* m_log = nullptr;
    QDoubleSpinBox* m_range = nullptr;
};

} // namespace ravelin
