#pragma once

#include <QString>

namespace zel::ui::test {

// Opens a new, empty site database in a temporary folder as this thread's site database, once
// per process; later calls return the same path. Empty when the site database library is not
// part of the build.
QString OpenTestSiteDatabase();

// True when the site database library is part of this build.
bool HaveSiteDatabase();

} // namespace zel::ui::test
