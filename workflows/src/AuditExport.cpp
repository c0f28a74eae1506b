#include "zel/workflows/AuditExport.h"

#include "zel/workflows/PrivateFile.h"

#include <ostream>

namespace zel::workflows {

const char* const AuditCsvHeader =
    "id,sequence,time,os_user,host,program,version,action,clock_id,clock,users,outcome,detail,hash";

std::int64_t WriteAuditCsv(std::ostream& out, const zel::data::AuditLog& log, const zel::data::AuditFilter& filter,
                           const std::function<void(std::int64_t)>& progress, zel::CsvTexts texts)
{
    auto text = [texts](const std::string& cell) { return zel::CsvText(cell, texts); };
    out << AuditCsvHeader << "\r\n";
    std::int64_t count = 0;
    log.ForEach(filter, [&](const zel::data::AuditEntry& e) {
        std::string users;
        for (const auto& id : e.UserIDs)
            users += (users.empty() ? "" : " ") + id;
        out << e.ID << ',' << e.Sequence << ',' << e.Time << ',' << text(e.OsUser) << ',' << text(e.Host) << ','
            << text(e.Program) << ',' << text(e.Version) << ',' << text(e.Action) << ','
            << (e.ClockID ? std::to_string(e.ClockID) : std::string()) << ',' << text(e.ClockName) << ',' << text(users)
            << ',' << text(e.Outcome) << ',' << text(e.Detail) << ',' << e.Hash << "\r\n";
        ++count;
        if (progress && count % 10000 == 0)
            progress(count);
    });
    return count;
}

std::int64_t ExportAuditCsv(const std::string& path, const zel::data::AuditLog& log,
                            const zel::data::AuditFilter& filter)
{
    PrivateFile file(path);
    const std::int64_t count = WriteAuditCsv(file.Stream(), log, filter);
    file.Commit();
    return count;
}

} // namespace zel::workflows
