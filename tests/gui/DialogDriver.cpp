#include "DialogDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

DialogDriver::DialogDriver(int timeoutMs) : m_timeoutMs(timeoutMs)
{
    m_clock.start();
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &DialogDriver::Tick);
    m_timer.start();
}

DialogDriver::~DialogDriver() = default;

DialogDriver& DialogDriver::On(Match match, Action action, const QString& what)
{
    m_steps.push_back({std::move(match), std::move(action), what});
    return *this;
}

QString DialogDriver::Pending() const
{
    return Finished() ? QStringLiteral("(none)") : m_steps[m_next].what;
}

void DialogDriver::Tick()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (m_clock.elapsed() > m_timeoutMs) {
        // Give up: close what is open so the test can report instead of hanging.
        m_timedOut = true;
        if (modal) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
        return;
    }
    if (m_queued || m_next >= m_steps.size() || !modal || !modal->isVisible())
        return;
    if (!m_steps[m_next].match(modal))
        return;
    // The action runs from the event loop, not from this tick: a timer does not fire
    // again while its own slot runs, and the action may wait in the next dialog's
    // loop, where the following ticks must see the next step.
    const Step& step = m_steps[m_next++];
    m_queued = true;
    QMetaObject::invokeMethod(
        this,
        [this, action = step.action, target = QPointer<QWidget>(modal)] {
            m_queued = false;
            if (target)
                action(target);
        },
        Qt::QueuedConnection);
}

void TypeFileName(QFileDialog* dialog, const QString& path)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY2(edit, "the file dialog has no file name field");
    edit->setText(path);
    QTest::keyClick(edit, Qt::Key_Return);
}

void ClickButton(QMessageBox* box, int standardButton)
{
    QAbstractButton* button = box->button(static_cast<QMessageBox::StandardButton>(standardButton));
    QVERIFY2(button, "the message box lacks the button");
    QTest::mouseClick(button, Qt::LeftButton);
}
