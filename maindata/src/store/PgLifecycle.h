#pragma once

#include "zel/data/LifecycleStore.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zel::data::detail {

class PgConnection;

// The statements of the template life cycle on PostgreSQL, as SqliteLifecycle has them for the
// file. The caller holds the transaction where one is needed.

// Makes the PendingErasures and SiteSettings tables, the column Users.TemplateStoredAt (dating
// the templates stored before it now) and the trigger that dates every template written from then
// on, when they are absent; several programs may do so at the same moment.
void EnsurePgLifecycleTables(PgConnection& connection);

void InsertPgPendingErasures(PgConnection& connection, const std::vector<PendingErasure>& erasures);
bool DeletePgPendingErasure(PgConnection& connection, std::int32_t clockID, const std::string& userID);
// clockID 0: every clock's.
std::vector<PendingErasure> SelectPgPendingErasures(PgConnection& connection, std::int32_t clockID);

std::optional<std::string> SelectPgSetting(PgConnection& connection, const std::string& name);
void StorePgSetting(PgConnection& connection, const std::string& name, const std::string& value);

std::map<std::string, std::string> SelectPgTemplateDates(PgConnection& connection);
std::map<std::string, std::string> SelectPgLastEvents(PgConnection& connection,
                                                      const std::vector<std::int32_t>& formatTypes);

} // namespace zel::data::detail
