#pragma once

// Common set-up of the desktop program's tests.

#include "app/MainFrame.h"

#include <QAction>
#include <QSettings>
#include <QStandardPaths>
#include <memory>

// Settings go to a test folder, never the user's, and start empty.
inline void IsolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Ravelin"))
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
