#pragma once

// Plays the user's part in the modal dialogs a test opens. A timer polls for the
// active modal widget and offers it to the current step, which acts on it and returns
// true once done, or returns false to be asked again on the next tick; steps run in
// order. Should they not be done in time, every modal widget is closed so that a
// failed check cannot hang the test, and done() stays false.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class ModalDriver : public QObject {
  public:
    using Step = std::function<bool(QWidget* modal)>;

    ModalDriver(std::initializer_list<Step> steps, int timeoutMs = 10000)
        : m_steps(steps), m_timeoutMs(timeoutMs)
    {
        m_clock.start();
        Poll();
    }
    explicit ModalDriver(Step step, int timeoutMs = 10000)
        : ModalDriver({std::move(step)}, timeoutMs)
    {
    }

    // Every step done, nothing closed by force.
    bool done() const { return m_next == m_steps.size() && !m_timedOut; }
    // Class name of the last modal widget seen, and the text if it was a message box.
    QString seenClass() const { return m_seenClass; }
    QString seenText() const { return m_seenText; }

    static bool Close(QWidget* modal)
    {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        return true;
    }
    // A step for a modal widget of class T (with Q_OBJECT): act(T*), then done.
    template <class T, class F> static Step On(F act)
    {
        return [act](QWidget* modal) {
            auto* widget = qobject_cast<T*>(modal);
            if (widget)
                act(widget);
            return widget != nullptr;
        };
    }
    // In a Qt file dialog: types the path into the name field and presses Return.
    static Step TypeFileName(const QString& path)
    {
        return On<QFileDialog>([path](QFileDialog* dialog) {
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                edit->setText(path);
                QTest::keyClick(edit, Qt::Key_Return);
            }
        });
    }
    static Step Press(QMessageBox::StandardButton button)
    {
        return On<QMessageBox>([button](QMessageBox* box) {
            if (QAbstractButton* b = box->button(button))
                QTest::mouseClick(b, Qt::LeftButton);
        });
    }
    // A message box: its text noted in `text`, then OK.
    static Step Note(QString& text)
    {
        return On<QMessageBox>([&text](QMessageBox* box) {
            text = box->text();
            Press(QMessageBox::Ok)(box);
        });
    }

  private:
    void Poll()
    {
        if (m_timedOut || (m_next == m_steps.size() && m_running == 0))
            return;
        // A new single shot each time: a step may wait in the event loop of a dialog
        // it opened, and a timer does not fire again while its own slot runs.
        QTimer::singleShot(20, this, [this] { Poll(); });
        if (m_clock.elapsed() > m_timeoutMs) {
            m_timedOut = true;
            for (int i = 0; i < 10 && QApplication::activeModalWidget(); ++i) {
                Close(QApplication::activeModalWidget());
                QApplication::processEvents();
            }
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || m_next == m_steps.size())
            return;
        m_seenClass = QString::fromLatin1(modal->metaObject()->className());
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            m_seenText = box->text();
        // A dialog that the step opens and waits in belongs to the next step.
        const std::size_t step = m_next++;
        ++m_running;
        const bool finished = m_steps[step](modal);
        --m_running;
        if (!finished)
            m_next = step;
    }

    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    int m_running = 0;
    int m_timeoutMs;
    QElapsedTimer m_clock;
    bool m_timedOut = false;
    QString m_seenClass;
    QString m_seenText;
};

// Chooses the first enabled item of the next popup menu whose text starts with `text`,
// as a user would with the keyboard; with `seen`, the texts and tips of its items are
// noted there first. A menu without one (or with `text` empty) is closed, and so is any
// menu still open after ten seconds, so that a failed check cannot hang.
inline void ChooseFromNextMenu(const QString& text, std::shared_ptr<QStringList> seen = {})
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, text, seen] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (clock->elapsed() > 10000) {
            if (menu)
                menu->close();
        } else if (!menu) {
            return;
        } else {
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions()) {
                if (seen && !a->isSeparator())
                    *seen << a->text() << a->toolTip();
                if (!chosen && !text.isEmpty() && a->text().startsWith(text) && a->isEnabled())
                    chosen = a;
            }
            if (chosen) {
                menu->setActiveAction(chosen);
                QTest::keyClick(menu, Qt::Key_Return);
            }
            if (menu->isVisible())
                menu->close();
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
    });
    timer->start(20);
}
