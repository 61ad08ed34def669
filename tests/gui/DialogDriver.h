#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

// Plays the user's part in modal dialogs. Each step waits until the active modal
// widget is one its match accepts and then acts on it; steps run in order, and a step
// may open the next modal dialog from inside its action. Should the script stall, the
// driver closes every modal widget after the timeout so the test fails instead of hanging.
class DialogDriver : public QObject {
    Q_OBJECT

  public:
    using Match = std::function<bool(QWidget*)>;
    using Action = std::function<void(QWidget*)>;

    explicit DialogDriver(int timeoutMs = 20000);
    ~DialogDriver() override;

    DialogDriver& On(Match match, Action action, const QString& what);

    // The next modal widget of class T (a QObject with Q_OBJECT).
    template <class T, class F> DialogDriver& OnA(F action, const QString& what)
    {
        return On([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
                  [action](QWidget* w) { action(static_cast<T*>(w)); }, what);
    }

    bool Finished() const { return m_next == m_steps.size(); }
    bool TimedOut() const { return m_timedOut; }
    // The step still waiting, for a failure message.
    QString Pending() const;

  private:
    void Tick();

    struct Step {
        Match match;
        Action action;
        QString what;
    };
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_timeoutMs;
    bool m_timedOut = false;
    bool m_queued = false; // an action waits to run
};

class QFileDialog;
class QMessageBox;

// In a Qt file dialog: types the path into the file name field and presses Return.
void TypeFileName(QFileDialog* dialog, const QString& path);
// Clicks the button of a message box that has the given role (e.g. QMessageBox::Ok).
void ClickButton(QMessageBox* box, int standardButton);
