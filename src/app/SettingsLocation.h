#pragma once

// Where the program keeps its per-user settings (QSettings organisation and
// application); the tests isolate and clear the same place.
namespace ravelin {

inline constexpr const char* kSettingsOrganisation = "Local AppWizard-Generated Applications";
inline constexpr const char* kSettingsApplication = "Ravelin";

} // namespace ravelin
