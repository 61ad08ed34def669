#pragma once

// Common set-up of the desktop program's tests.

#include <QSettings>
#include <QStandardPaths>

// Settings go to a test folder, never the user's, and start empty.
inline void IsolateSettings()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Ravelin"))
        .clear();
}
