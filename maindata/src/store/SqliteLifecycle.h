#pragma once

#include "zel/data/LifecycleStore.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace zel::data::detail {

// The statements of the template life cycle on SQLite (see LifecycleStore). Every function takes
// the connection's handle; the caller holds the transaction where one is needed.

// Makes the PendingErasures and SiteSettings tables when they are absent, gives Users its
// TemplateStoredAt column (dating the templates stored before it now) and the triggers that date
// every template written from then on, inside the caller's transaction (see BringUpToDate).
void EnsureLifecycleTables(sqlite3* db);

void InsertPendingErasures(sqlite3* db, const std::vector<PendingErasure>& erasures);
bool DeletePendingErasure(sqlite3* db, std::int32_t clockID, const std::string& userID);
// clockID 0: every clock's.
std::vector<PendingErasure> SelectPendingErasures(sqlite3* db, std::int32_t clockID);

std::optional<std::string> SelectSetting(sqlite3* db, const std::string& name);
void StoreSetting(sqlite3* db, const std::string& name, const std::string& value);

std::map<std::string, std::string> SelectTemplateDates(sqlite3* db);
std::map<std::string, std::string> SelectLastEvents(sqlite3* db, const std::vector<std::int32_t>& formatTypes);

} // namespace zel::data::detail
