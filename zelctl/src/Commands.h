#pragma once
// The zelctl commands. Each returns the exit status; usage mistakes raise UsageError, site
// database failures SiteError.
#include "Context.h"

#include "zel/support/UserWrites.h"

#include <optional>
#include <vector>

namespace zel::cli {

int ListClocks(Context& ctx);
int ListUsers(Context& ctx);
int ListChannels(Context& ctx);
int Status(Context& ctx);
int TimeSet(Context& ctx);
int Scan(Context& ctx);
int UsersGet(Context& ctx);
int UsersImport(Context& ctx);
int UsersSend(Context& ctx);
int UsersRemove(Context& ctx);
int Diff(Context& ctx);
int Sync(Context& ctx);
int Backup(Context& ctx);
int Restore(Context& ctx);
int EventsCollect(Context& ctx);
int EventsExport(Context& ctx);
int EventsStatus(Context& ctx);
int SiteCopy(Context& ctx);
int SettingsGet(Context& ctx);
int SettingsSet(Context& ctx);
int SettingsDst(Context& ctx);
int MenuSend(Context& ctx);
int ChannelsAdd(Context& ctx);
int ChannelsSet(Context& ctx);
int ChannelsRemove(Context& ctx);
int ClocksAdd(Context& ctx);
int ClocksSet(Context& ctx);
int ClocksRemove(Context& ctx);
int UsersAdd(Context& ctx);
int UsersSet(Context& ctx);
int UsersDelete(Context& ctx);
int UsersImportCsv(Context& ctx);
int UsersExportCsv(Context& ctx);
int AuditVerify(Context& ctx);
int AuditList(Context& ctx);
int UsersForget(Context& ctx);
int RetentionPlan(Context& ctx);
int RetentionApply(Context& ctx);
int RetentionPolicy(Context& ctx);
int RetentionSet(Context& ctx);

// The table of per-clock results most clock commands print: clock, result, count, error, detail;
// with `writes`, the columns of WritesCells after them.
class Table;
struct Column;
class Cell;
Table ResultTable(const std::vector<zel::workflows::ClockResult>& results, const char* countKey,
                  const char* countCaption, bool writes = false);
// For scripts (JSON and CSV only), what a command that writes users did to a clock and what it
// lacks: already_held, removed, written_by_bank, banks_written, written_one_by_one, lacking,
// uncertain, lacking_users (IDs separated by spaces). Null where no users were written.
std::vector<Column> WritesColumns();
std::vector<Cell> WritesCells(const std::optional<zel::support::UserWrites>& writes);

} // namespace zel::cli
