#pragma once

#include <QString>

namespace zel::ui::test {

// Opens a new, empty site database in a temporary folder as this thread's site database, once
// per process; later calls return the same path.
QString OpenTestSiteDatabase();

} // namespace zel::ui::test
