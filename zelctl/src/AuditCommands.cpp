// zelctl audit verify / audit list: the site's audit trail, read-only.
#include "Commands.h"
#include "Table.h"

#include "zel/Error.h"
#include "zel/data/AuditLog.h"
#include "zel/data/DataSource.h"

#include <ostream>

namespace zel::cli {

namespace {

using zel::data::AuditLog;
using zel::data::AuditVerdict;

// The one value of an option that may be given once here (--user, --clock).
std::string OneValue(const Context& ctx, const char* name)
{
    if (!ctx.Args.Has(name))
        return {};
    const auto& values = ctx.Args.List(name);
    if (values.size() != 1)
        throw UsageError(std::string("audit list takes one --") + name);
    return values.front();
}

const char* VerdictWord(AuditVerdict::Kind kind)
{
    switch (kind) {
    case AuditVerdict::Kind::Intact:
        return "intact";
    case AuditVerdict::Kind::Changed:
        return "changed";
    case AuditVerdict::Kind::Removed:
        return "removed";
    case AuditVerdict::Kind::Inserted:
        return "inserted";
    }
    return "changed";
}

} // namespace

int AuditVerify(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("audit verify takes no operands");
    ctx.OpenSite();
    AuditVerdict verdict;
    try {
        verdict = AuditLog().Verify([&](std::int64_t rows) { ctx.Progress("audit", std::to_string(rows) + " rows"); });
    } catch (const zel::Error& error) {
        throw ctx.SiteFailure(error);
    }
    ctx.EndProgress();
    Table table({{"result", "Result"},
                 {"rows_checked", "Rows checked"},
                 {"row_id", "Row"},
                 {"sequence", "Sequence"},
                 {"detail", "Detail"}});
    table.Add({VerdictWord(verdict.What), Cell(verdict.RowsChecked), verdict.Intact() ? Cell() : Cell(verdict.RowID),
               verdict.Intact() ? Cell() : Cell(verdict.Sequence), verdict.Text()});
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    if (verdict.Intact())
        return kExitDone;
    ctx.Err << "zelctl: " << verdict.Text() << '\n';
    return kExitSomeFailed;
}

int AuditList(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("audit list takes no operands");
    zel::data::AuditFilter filter;
    filter.UserID = OneValue(ctx, "user");
    filter.Clock = OneValue(ctx, "clock");
    filter.Action = ctx.Args.Value("action");
    try {
        for (const char* name : {"since", "until"})
            if (ctx.Args.Has(name))
                (std::string(name) == "since" ? filter.Since : filter.Until) =
                    AuditLog::NormalTime(ctx.Args.Value(name), std::string(name) == "until");
    } catch (const zel::Error& error) {
        throw UsageError("--since and --until: " + error.Description());
    }
    ctx.OpenSite();
    // Columns without a caption are for scripts (JSON, CSV) only.
    Table table({{"id", "ID"},
                 {"sequence", ""},
                 {"time", "Time (UTC)"},
                 {"os_user", "User"},
                 {"host", "Host"},
                 {"program", "Program"},
                 {"version", ""},
                 {"action", "Action"},
                 {"clock_id", ""},
                 {"clock", "Clock"},
                 {"users", "Users"},
                 {"outcome", "Outcome"},
                 {"detail", "Detail"},
                 {"hash", ""}});
    const auto text = [](const std::string& s) { return s.empty() ? Cell() : Cell(s); };
    try {
        AuditLog().ForEach(filter, [&](const zel::data::AuditEntry& e) {
            std::string users;
            for (const auto& id : e.UserIDs)
                users += (users.empty() ? "" : " ") + id;
            table.Add({Cell(e.ID), Cell(e.Sequence), e.Time, e.OsUser, e.Host, e.Program, e.Version, e.Action,
                       e.ClockID ? Cell(std::int64_t{e.ClockID}) : Cell(), text(e.ClockName), text(users),
                       text(e.Outcome), text(e.Detail), e.Hash});
        });
    } catch (const zel::Error& error) {
        throw ctx.SiteFailure(error);
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

} // namespace zel::cli
