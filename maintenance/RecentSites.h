#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace zel::ui {

// The sites the program opened, newest first (at most MaxSites), kept among the program's own
// preferences: QSettings of organisation "ZEL", application "ZelMaintenance" (on Linux the file
// ~/.config/ZEL/ZelMaintenance.conf), key "RecentSites". A file is kept by its absolute path, a
// PostgreSQL server by its URI without a password: libpq's own files (~/.pgpass, a service file)
// or PGPASSWORD supply that, and it is never written here. Reading and writing the preferences
// never fails; what cannot be kept is lost.
class RecentSites {
public:
    static constexpr int MaxSites = 8;

    // The program's preferences.
    RecentSites();
    // The preferences kept in the file `settingsFile` (INI format; tests).
    explicit RecentSites(const QString& settingsFile);
    ~RecentSites();
    RecentSites(const RecentSites&) = delete;
    RecentSites& operator=(const RecentSites&) = delete;

    QStringList Sites() const;
    // The site opened last, or the empty text.
    QString Last() const;
    // `site` becomes the newest (once in the list).
    void Remember(const QString& site);

    // `site` as it is remembered: a URI without its password (in the user part and as a
    // "password" parameter), anything else unchanged.
    static QString WithoutPassword(const QString& site);

private:
    std::unique_ptr<QSettings> mSettings;
};

} // namespace zel::ui
