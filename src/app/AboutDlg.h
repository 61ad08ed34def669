#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;

namespace ravelin {

// "ﾊﾞｰｼﾞｮﾝ情報(Ravelin)": the program's name, version and its only help text.
class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    // The field holds at most this many characters; the help text is well below.
    static constexpr int kMaxExplanationChars = 2000;

    explicit CAboutDlg(QWidget* parent = nullptr);

    // The help text, 21 lines each ended by CR LF. Built afresh for every dialog.
    static QString BuildExplanation();

    QString m_strExplanation;

  private:
    // Puts m_strExplanation into the read-only field, at most kMaxExplanationChars.
    void DoDataExchange(QPlainTextEdit* explanation);
};

} // namespace ravelin
