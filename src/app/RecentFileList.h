#pragma once

#include "engine/Commands.h"

#include <QString>
#include <QStringList>

namespace ravelin {

// The most-recent-file list of the File menu: newest first, at most kMaxFiles
// entries, kept in the per-user settings of the program (SettingsLocation.h) under
// the group "Recent File List", keys File1..File4.
class RecentFileList {
  public:
    static constexpr int kMaxFiles = kMaxRecentFiles;

    // Reads the stored list; entries beyond the fourth, empty ones and
    // duplicates are dropped.
    void Load();

    // Puts path (made absolute) at the front, removing an older entry of the same
    // file and the oldest entry beyond the fourth, and stores the list.
    void Add(const QString& path);

    // Removes entry index (0 = newest) and stores the list; out of range is ignored.
    void Remove(int index);

    int Size() const { return static_cast<int>(m_files.size()); }
    bool IsEmpty() const { return m_files.isEmpty(); }
    const QStringList& Files() const { return m_files; }
    QString File(int index) const { return m_files.value(index); }

    // The menu caption of entry index: "&1 " and the path, shortened in the middle
    // when long, with ampersands doubled.
    QString MenuText(int index) const;

  private:
    void Save() const;

    QStringList m_files;
};

} // namespace ravelin
