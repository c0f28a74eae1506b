#include "TestSite.h"

#include "modMain.h"

#include <QTemporaryDir>

#include <memory>

namespace zel::ui::test {

QString OpenTestSiteDatabase()
{
    static std::unique_ptr<QTemporaryDir> folder;
    static QString path;
    if (folder)
        return path;
    folder = std::make_unique<QTemporaryDir>();
    auto result = OpenSiteDatabase(folder->path(), nullptr, [](const QString&, const QString&) { return true; });
    if (result == StartupResult::Opened)
        path = DatabasePath();
    return path;
}

} // namespace zel::ui::test
