#pragma once

// Drives the modal dialogs a command opens, as a user would: a timer polls for the
// active modal widget and hands it to a callback, which acts on it (types, clicks,
// closes) and returns true once it is done with it. If the callback never finishes
// within the time limit, every modal widget is closed so the test cannot hang, and
// timedOut() tells the test to fail.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

class ModalDriver : public QObject {
public:
    using Callback = std::function<bool(QWidget* modal)>;

    explicit ModalDriver(Callback callback, int timeoutMs = 10000)
        : m_callback(std::move(callback)), m_timeoutMs(timeoutMs)
    {
        m_clock.start();
        connect(&m_timer, &QTimer::timeout, this, &ModalDriver::Poll);
        m_timer.start(20);
    }

    bool done() const { return m_done; }
    bool timedOut() const { return m_timedOut; }
    // Class name and text (for message boxes) of the last modal widget seen.
    QString seenClass() const { return m_seenClass; }
    QString seenText() const { return m_seenText; }

    // Callbacks for the common cases.
    static bool Close(QWidget* modal)
    {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        return true;
    }
    static Callback TypeFileName(const QString& path)
    {
        return [path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog)
                return false;
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            if (!edit)
                return false;
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
            return true;
        };
    }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (m_done) {
            m_timer.stop();
            return;
        }
        if (modal) {
            m_seenClass = QString::fromLatin1(modal->metaObject()->className());
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                m_seenText = box->text();
            if (m_callback(modal)) {
                m_done = true;
                m_timer.stop();
                return;
            }
        }
        if (m_clock.elapsed() > m_timeoutMs) {
            m_timedOut = true;
            m_timer.stop();
            for (int i = 0; i < 10; ++i) {
                QWidget* w = QApplication::activeModalWidget();
                if (!w)
                    break;
                Close(w);
                QApplication::processEvents();
            }
        }
    }

    Callback m_callback;
    int m_timeoutMs;
    QElapsedTimer m_clock;
    QTimer m_timer;
    bool m_done = false;
    bool m_timedOut = false;
    QString m_seenClass;
    QString m_seenText;
};
