#pragma once

#include <QSettings>
#include <QString>

// Where the program keeps its per-user settings (QSettings organisation and
// application); the tests isolate and clear the same place.
namespace ravelin {

inline constexpr const char* kSettingsOrganisation = "Local AppWizard-Generated Applications";
inline constexpr const char* kSettingsApplication = "Ravelin";

// The program's settings store, opened in place (QSettings cannot be moved).
inline QSettings OpenSettings()
{
    return QSettings(QString::fromUtf8(kSettingsOrganisation),
                     QString::fromUtf8(kSettingsApplication));
}

} // namespace ravelin
