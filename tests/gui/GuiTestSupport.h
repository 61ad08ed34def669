#pragma once

// Common set-up of the desktop program's tests.

#include "app/MainFrame.h"
#include "app/SettingsLocation.h"
#include "support/WavFiles.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QContextMenuEvent>
#include <QImage>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <clocale>
#include <memory>
#include <string>

// Settings go to a test folder, never the user's, and start empty.
// What the widget paints, at its size.
inline QImage Paint(QWidget* widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    return image;
}

// A right click with the mouse at `at`, as the context menu sees it.
inline void RightClick(QWidget* w, QPoint at)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &event);
}

inline void IsolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QString::fromUtf8(ravelin::kSettingsOrganisation),
              QString::fromUtf8(ravelin::kSettingsApplication))
        .clear();
}

// A fresh main window over empty settings, shown and asked to take the keyboard;
// the caller waits with QTest::qWaitForWindowActive.
inline std::unique_ptr<ravelin::CMainFrame> ShowMainFrame()
{
    IsolateSettings();
    auto frame = std::make_unique<ravelin::CMainFrame>();
    frame->show();
    frame->activateWindow();
    return frame;
}

// Confirms the settings as the settings dialog does.
inline void ConfirmSettings(ravelin::CRavelinDoc& doc, int filter, int input)
{
    ravelin::SettingsValues values = doc.Settings();
    values.filter = filter;
    values.input = input;
    doc.ApplySettings(values);
}

// A menu item or toolbar button of the main window, by object name.
inline QAction* Action(const QWidget* frame, const char* name)
{
    auto* action = frame->findChild<QAction*>(QString::fromLatin1(name));
    if (!action)
        qFatal("no action %s", name);
    return action;
}

// Under a comma-decimal locale for the C library and Qt alike, restored at the end.
class CommaLocale {
  public:
    CommaLocale()
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        m_previous = current ? current : "C";
        m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, m_previous.c_str());
        QLocale::setDefault(QLocale::c());
    }
    bool Active() const { return m_active; }

  private:
    std::string m_previous;
    bool m_active = false;
};

// Bytes built by the shared WAV builders, as Qt holds them.
inline QByteArray ToQByteArray(const ravelin::test::Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}
