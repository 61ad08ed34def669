#pragma once

#include "engine/Presets.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ravelin {

class CRavelinDoc;

// The "動作の設定" dialog: the filter preset, the input preset and the three taps of
// the user filter. The caller sets the public members, runs exec() and reads them
// back only when it returns Accepted; nothing else of the program is touched here.
class CSettingsDlg : public QDialog {
    Q_OBJECT

  public:
    // From the engine's preset table: the demonstration presets come first, the
    // file-only ones after them in a frame of their own.
    static constexpr int kUserFilter = kFilterUser3;
    static constexpr int kFirstFileFilter = kDemoFilterCount;
    static constexpr int kFileDataInput = kInputFile;
    static constexpr int kTapMin = kUserTapMin;
    static constexpr int kTapMax = kUserTapMax;
    static constexpr double kCoefMin = kUserCoefMin;
    static constexpr double kCoefMax = kUserCoefMax;

    explicit CSettingsDlg(QWidget* parent = nullptr);

    // Index of the checked filter and input button, -1 when none is checked.
    int m_nFilter = -1;
    int m_nInput = -1;
    // The user filter's taps: m_nTap[k] samples of delay weighted by m_dCoef[k].
    double m_dCoef[3] = {0.0, 0.0, 0.0};
    int m_nTap[3] = {0, 0, 0};

    // Reads and checks every field; stays open on the first bad one.
    void accept() override;

    // The settings command: copies the document's presets into the dialog, runs it,
    // and only on OK hands the values back through CRavelinDoc::ApplySettings, which
    // restarts the demonstration (stopping a running animation). Returns true on OK.
    static bool DoDataExchange(CRavelinDoc& doc, QWidget* parent);

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void CreateControls();
    void PlaceControls();
    void LoadControls();
    // A click in the filter group, by the kind of filter clicked.
    void OnFilterClicked(int id);
    void OnDemoFilter();
    void OnFileFilter();
    void OnUserFilter();

    void EnableDemoInputs();
    void ForceFileDataInput();
    void EnableUserFilterFields(bool enable);

    // Shows the validation message, then hands the field to the user to correct.
    void Fail(QLineEdit* field, const QString& message);

    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QGroupBox* m_filterBox = nullptr;
    QGroupBox* m_fileFilterBox = nullptr;
    QGroupBox* m_inputBox = nullptr;
    QGroupBox* m_fileInputBox = nullptr;
    QButtonGroup* m_filterGroup = nullptr;
    QButtonGroup* m_inputGroup = nullptr;
    std::array<QRadioButton*, kFilterCount> m_filterButtons{};
    std::array<QRadioButton*, kInputCount> m_inputButtons{};
    std::array<QLineEdit*, 3> m_tapEdits{};
    std::array<QLineEdit*, 3> m_coefEdits{};
    QLabel* m_tapHeading = nullptr;
    QLabel* m_coefHeading = nullptr;
};

} // namespace ravelin
