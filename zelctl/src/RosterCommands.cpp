// zelctl users import-csv | export-csv: the site's users from and to a roster file (CSV).
#include "Commands.h"
#include "EditSupport.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/RosterExport.h"
#include "zel/workflows/RosterPlan.h"

#include <ostream>

namespace zel::cli {

namespace {

using zel::workflows::RosterAction;

// The plan's rows as a table: every row but the unchanged ones (those are only counted).
Table PlanTable(const zel::workflows::RosterPlan& plan, bool removeMissing)
{
    Table table({{"line", "Line"},
                 {"action", "Action"},
                 {"user_id", "User ID"},
                 {"name", "Name"},
                 {"authority_level", "Level"},
                 {"detail", "Detail"}});
    for (const auto& entry : plan.Entries) {
        if (entry.Action == RosterAction::Unchanged)
            continue;
        const bool missing = entry.Action == RosterAction::Missing;
        const bool refused = entry.Action == RosterAction::Refused;
        table.Add({entry.Line ? Cell(static_cast<std::int64_t>(entry.Line)) : Cell(),
                   missing ? (removeMissing ? "remove" : "keep") : zel::workflows::RosterActionWord(entry.Action),
                   entry.UserID, entry.Name, refused ? Cell() : Cell(entry.AuthorityLevel),
                   missing ? Cell(std::string("not in the file") + (entry.Enrolled ? " (enrolled)" : ""))
                           : Cell(entry.Detail)});
    }
    return table;
}

std::string Summary(const zel::workflows::RosterPlan& plan, bool removeMissing)
{
    const auto count = [&](RosterAction action) { return std::to_string(plan.Count(action)); };
    std::string text = plan.FileName + ": " + count(RosterAction::Add) + " to add, " + count(RosterAction::Change) +
                       " to change, " + count(RosterAction::Unchanged) + " unchanged, " + count(RosterAction::Refused) +
                       " refused, " + count(RosterAction::Missing) + " of the site not in the file (" +
                       (removeMissing ? "to remove" : "kept") + ")";
    if (!plan.IgnoredColumns.empty()) {
        text += "; columns ignored:";
        for (const auto& column : plan.IgnoredColumns)
            text += " " + column;
    }
    return text;
}

} // namespace

int UsersImportCsv(Context& ctx)
{
    AcceptOnly(ctx, {"remove-missing", "yes"});
    if (ctx.Operands.size() != 1)
        throw UsageError("users import-csv takes one file: zelctl users import-csv FILE [--dry-run|--yes]");
    const bool apply = ctx.Args.Flag("yes");
    if (apply && IsDryRun(ctx))
        throw UsageError("give --yes or --dry-run, not both");
    const bool removeMissing = ctx.Args.Flag("remove-missing");

    // The file first: one that cannot be read as a roster is told before the site is opened.
    const auto refuseFile = [&](const zel::Error& error) {
        ctx.EndProgress();
        ctx.Err << "zelctl: " << error.Description() << "\nzelctl: nothing was written.\n";
        return kExitUsage;
    };
    ctx.Progress("import", "reading " + ctx.Operands.front());
    zel::workflows::CsvDocument file;
    try {
        file = zel::workflows::CsvDocument::Read(ctx.Operands.front());
    } catch (const zel::Error& error) {
        return refuseFile(error);
    }
    ctx.OpenSite();
    zel::workflows::RosterPlan plan;
    try {
        plan = zel::workflows::PlanRoster(file, *zel::data::DataSource().GetUserDescriptionList());
    } catch (const zel::Error& error) {
        return refuseFile(error);
    }
    ctx.EndProgress();
    PlanTable(plan, removeMissing).Print(ctx.Out, ctx.Args.OutputFormat);
    ctx.Err << "zelctl: " << Summary(plan, removeMissing) << '\n';
    if (!plan.CanApply()) {
        for (const auto& entry : plan.Entries)
            if (entry.Action == RosterAction::Refused)
                ctx.Err << "zelctl: " << plan.FileName << ", line " << entry.Line << ": " << entry.Detail << '\n';
        ctx.Err << "zelctl: nothing was written: put the refused rows right and import the file again.\n";
        return kExitSomeFailed;
    }
    if (!apply) {
        ctx.Err << (IsDryRun(ctx) ? "zelctl: dry run: nothing was written.\n"
                                  : "zelctl: nothing was written; give --yes to import.\n");
        return kExitDone;
    }
    ctx.Progress("import", "writing");
    zel::workflows::RosterApplied applied;
    try {
        applied = zel::workflows::ApplyRoster(plan, *zel::data::DataSource().GetUserDescriptionList(), removeMissing);
    } catch (const zel::Error& error) {
        ctx.EndProgress();
        throw ctx.SiteFailure(error);
    }
    ctx.EndProgress();
    ctx.Err << "zelctl: imported " << plan.FileName << ": " << applied.Added << " added, " << applied.Changed
            << " changed, " << applied.Removed << " removed.\n";
    return kExitDone;
}

int UsersExportCsv(Context& ctx)
{
    AcceptOnly(ctx, {});
    if (!ctx.Operands.empty())
        throw UsageError("users export-csv takes its file with -o FILE (standard output without)");
    ctx.OpenSite();
    const auto users = zel::data::DataSource().GetUserDescriptionList();
    // -o FILE: ctx.Out is the file (mode 0600), put in place once the command has run.
    const std::size_t written = zel::workflows::WriteRoster(
        ctx.Out, *users, ctx.Args.OutputFormat == Format::CsvRaw ? zel::CsvTexts::Raw : zel::CsvTexts::Guarded);
    if (ctx.Args.Has("output"))
        ctx.Err << "zelctl: " << written << " users written to " << ctx.Args.Value("output") << '\n';
    return kExitDone;
}

} // namespace zel::cli
