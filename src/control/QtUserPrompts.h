#pragma once

#include "words/UserPrompts.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

class QFileDialog;
class QProgressDialog;
class QWidget;

namespace ravelin {

// The file commands' questions answered with Qt's dialogs: file dialogs for the
// paths, message boxes for the messages, a progress dialog for long runs.
// All dialogs are modal over `parent` (which may be null).
class QtUserPrompts : public IUserPrompts {
  public:
    explicit QtUserPrompts(QWidget* parent = nullptr);
    ~QtUserPrompts() override;

    QtUserPrompts(const QtUserPrompts&) = delete;
    QtUserPrompts& operator=(const QtUserPrompts&) = delete;

    // Qt's own file dialogs instead of the desktop's, e.g. for tests that type into
    // them. Qt::AA_DontUseNativeDialogs forces the same for the whole program.
    void SetUseNativeDialogs(bool use) { m_nativeDialogs = use; }
    // How long a run must last before its progress dialog appears (default 500 ms).
    void SetProgressDelay(int milliseconds) { m_progressDelay = milliseconds; }
    // The progress dialog's title and text for work other than a file run.
    void SetProgressText(const QString& title, const QString& label)
    {
        m_progressTitle = title;
        m_progressLabel = label;
    }

    // An existing file, or nothing when the user cancels.
    std::optional<std::string> AskOpenPath(const std::string& title,
                                           const std::string& filter) override;
    // Any name, used exactly as typed (no extension added). An existing file is
    // returned only after the user has agreed to replace it.
    std::optional<std::string> AskSavePath(const std::string& title,
                                           const std::string& filter) override;
    // Error boxes without a caption are captioned "エラー"; other boxes without one
    // take the program's name.
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;
    // Runs work on a thread of its own while the windows keep painting, and shows an
    // application-modal progress dialog once it lasts. Cancel there makes work's
    // progress answer false. Until the dialog shows, clicks and keys wait, so nothing
    // can start another command in the middle of the work; once every sample is done,
    // the dialog stays, without its Cancel, until work has returned.
    void RunWithProgress(const ProgressWork& work) override;

    // "Name(*.a;*.b)|*.a;*.b|All Files(*.*)|*.*||" as Qt name filters.
    static QStringList NameFilters(const std::string& filter);

    // A file dialog's labels and buttons in the program's language.
    static void WordFileDialog(QFileDialog& dialog, bool save);

    // The dialog of the work in progress, while there is one (for tests).
    QProgressDialog* ProgressDialog() const;

  private:
    void EndProgress();
    QWidget* Parent() const;

    QPointer<QWidget> m_parent;
    bool m_nativeDialogs = true;
    int m_progressDelay = 500;
    QPointer<QProgressDialog> m_progress;
    QString m_progressTitle, m_progressLabel; // empty: the file run's
};

} // namespace ravelin
