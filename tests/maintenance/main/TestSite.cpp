#include "TestSite.h"

#include "modMain.h"

#include <QTemporaryDir>

#include <memory>

namespace zel::ui::test {

bool HaveSiteDatabase()
{
#if __has_include(<zel/data/DataSource.h>)
    return true;
#else
    return false;
#endif
}

QString OpenTestSiteDatabase()
{
    static std::unique_ptr<QTemporaryDir> folder;
    static QString path;
    if (!HaveSiteDatabase() || folder)
        return path;
    folder = std::make_unique<QTemporaryDir>();
    auto result = OpenSiteDatabase(folder->path(), nullptr, [](const QString&, const QString&) { return true; });
    if (result == StartupResult::Opened)
        path = DatabasePath();
    return path;
}

} // namespace zel::ui::test
