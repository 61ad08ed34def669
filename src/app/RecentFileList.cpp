#include "app/RecentFileList.h"

#include "app/SettingsLocation.h"

#include <QDir>
#include <QFileInfo>

namespace ravelin {

namespace {

constexpr const char* kGroup = "Recent File List";
// Longest path shown whole in the menu.
constexpr qsizetype kMaxDisplay = 40;

QString Normalised(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// "/home/user/…/dir/name.wav": the root, an ellipsis and as many trailing
// components as fit; the file name is always shown whole.
QString Abbreviated(const QString& path)
{
    QString native = QDir::toNativeSeparators(path);
    if (native.size() <= kMaxDisplay)
        return native;
    const QChar sep = QDir::separator();
    const QStringList parts = native.split(sep);
    QString tail = parts.last();
    for (qsizetype i = parts.size() - 2; i >= 1; --i) {
        const QString longer = parts[i] + sep + tail;
        if (longer.size() + 4 > kMaxDisplay)
            break;
        tail = longer;
    }
    return parts.first() + sep + QStringLiteral("…") + sep + tail;
}

} // namespace

void RecentFileList::Load()
{
    QSettings settings = OpenSettings();
    settings.beginGroup(QString::fromUtf8(kGroup));
    m_files.clear();
    for (int i = 1; i <= kMaxFiles; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path))
            m_files.append(path);
    }
}

void RecentFileList::Add(const QString& path)
{
    const QString file = Normalised(path);
    m_files.removeAll(file);
    m_files.prepend(file);
    while (m_files.size() > kMaxFiles)
        m_files.removeLast();
    Save();
}

void RecentFileList::Remove(int index)
{
    if (index < 0 || index >= m_files.size())
        return;
    m_files.removeAt(index);
    Save();
}

QString RecentFileList::MenuText(int index) const
{
    QString shown = Abbreviated(m_files.value(index));
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

void RecentFileList::Save() const
{
    QSettings settings = OpenSettings();
    settings.beginGroup(QString::fromUtf8(kGroup));
    for (int i = 1; i <= kMaxFiles; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= m_files.size())
            settings.setValue(key, m_files[i - 1]);
        else
            settings.remove(key);
    }
}

} // namespace ravelin
