// zelctl users forget and zelctl retention: templates taken off every clock and out of the site.
#include "Commands.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/data/DataSource.h"
#include "zel/data/LifecycleStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/DryRun.h"
#include "zel/workflows/RetentionSchedule.h"
#include "zel/workflows/UserErasure.h"
#include "zel/workflows/UserIDs.h"

#include <charconv>
#include <ostream>

namespace zel::cli {

namespace {

using UserPtr = std::shared_ptr<zel::data::UserDescription>;
using zel::workflows::ClockOutcome;

// "1001 (Ann Lee), 1002 (Bo)".
std::string Named(const std::vector<UserPtr>& users)
{
    std::string text;
    for (const auto& user : users)
        text += (text.empty() ? "" : ", ") + user->UserID() + " (" + user->Name() + ")";
    return text;
}

// Every clock of the site: any of them may hold the users (one enrolled at a clock itself too).
std::vector<Context::ReaderPtr> SiteClocks(Context& ctx)
{
    ctx.OpenSite();
    return zel::data::DataSource().GetReaderDescriptionList()->Items();
}

// Forgets the users on every clock of the site, then in the site; without --yes, or with
// --dry-run, reads the clocks and tells what it would do. The exit status is the clocks'. The
// receipt in the audit trail carries `action` ("forget", "retention").
int ForgetUsers(Context& ctx, const std::vector<UserPtr>& users, const std::string& action)
{
    const auto clocks = SiteClocks(ctx);
    const bool apply = ctx.Args.Flag("yes") && !ctx.DryRun();
    std::vector<std::string> ids;
    for (const auto& user : users)
        ids.push_back(user->UserID());
    if (!apply) {
        zel::workflows::ClockRunner runner(ctx.Maker(true));
        runner.SetMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels);
        ctx.Attach(runner);
        auto results = zel::workflows::PlanUserChanges(runner, clocks, zel::workflows::PlannedChange::Remove, ids);
        for (auto& result : results)
            if (result.Outcome != ClockOutcome::Done)
                result.Detail += (result.Detail.empty() ? "" : "; ") + std::string("an erasure would stay pending");
        const int status = ctx.Finish(results);
        ResultTable(results, "users", "Users to remove").Print(ctx.Out, ctx.Args.OutputFormat);
        ctx.Err << "zelctl: would take the templates of " << Named(users)
                << " out of the site (the users stay, not enrolled)\n"
                << "zelctl: nothing was written"
                << (ctx.DryRun() ? " (dry run)" : "; run again with --yes to forget them") << '\n';
        return status;
    }
    zel::workflows::UserErasure erasure(ctx.Maker());
    erasure.SetProgress(
        [&ctx](const zel::workflows::ChannelStep& step) { ctx.Progress(step.Clock->Name(), step.Text); });
    zel::workflows::ErasureReport report;
    try {
        report = erasure.Forget(users, clocks, action);
    } catch (const zel::Error& error) {
        ctx.EndProgress();
        throw SiteError("the templates of " + Named(users) +
                        " are still in the site: " + ctx.Masked(error.Description()) + " (error " +
                        std::to_string(error.Number()) + "); run the command again to finish");
    }
    for (auto& result : report.Clocks)
        if (result.Outcome != ClockOutcome::Done)
            result.Detail += (result.Detail.empty() ? "" : "; ") + std::string("erasure pending");
    const int status = ctx.Finish(report.Clocks);
    ResultTable(report.Clocks, "users", "Users removed").Print(ctx.Out, ctx.Args.OutputFormat);
    ctx.Err << "zelctl: forgotten: " << Named(users) << ": templates taken out of the site";
    if (!report.Pending.empty())
        ctx.Err << "; " << report.Pending.size() << (report.Pending.size() == 1 ? " erasure" : " erasures")
                << " pending ('zelctl users forget --pending' retries them)";
    ctx.Err << '\n';
    return status;
}

// zelctl users forget --pending: lists what is pending and, unless --dry-run, retries it.
int RetryPending(Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("give user IDs or --pending, not both");
    ctx.SetFinishesErasures(!ctx.DryRun());
    ctx.OpenSite();
    std::vector<zel::workflows::ClockResult> results;
    if (!ctx.DryRun()) {
        zel::workflows::UserErasure erasure(ctx.Maker());
        results = erasure.RetryPending();
    }
    const int status = ctx.Finish(results);
    if (!results.empty())
        ResultTable(results, "finished", "Finished").Print(ctx.Out, ctx.Args.OutputFormat);
    auto site = zel::data::DataSource().GetUserDescriptionList();
    auto clocks = zel::data::DataSource().GetReaderDescriptionList();
    Table table({{"clock", "Clock"},
                 {"clock_id", "Clock ID"},
                 {"user_id", "User ID"},
                 {"name", "Name"},
                 {"since", "Pending since"}});
    for (const auto& erasure : zel::data::LifecycleStore().Pending()) {
        const auto clock = clocks->GetByDatabaseID(erasure.ClockID);
        table.Add({clock ? clock->Name() : erasure.ClockName + " (no longer in the site)", Cell(erasure.ClockID),
                   erasure.UserID, site->Contains(erasure.UserID) ? Cell(site->Item(erasure.UserID)->Name()) : Cell(),
                   erasure.Since});
    }
    if (!results.empty() && ctx.Args.OutputFormat == Format::Table)
        ctx.Out << '\n' << (table.RowCount() == 0 ? "No erasure is pending.\n" : "Still pending:\n");
    if (results.empty() || table.RowCount() != 0)
        table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int Days(const std::string& text)
{
    int days = 0;
    if (text.empty() || !zel::IsAllDigits(text) ||
        std::from_chars(text.data(), text.data() + text.size(), days).ec != std::errc() || days < 1 || days > 36500)
        throw UsageError("the retention period is a number of days from 1 to 36500 ('" + text + "' given)");
    return days;
}

} // namespace

int UsersForget(Context& ctx)
{
    if (ctx.Args.Flag("pending"))
        return RetryPending(ctx);
    if (ctx.Operands.empty())
        throw UsageError("name the users to forget (their IDs), or give --pending");
    ctx.OpenSite();
    auto site = zel::data::DataSource().GetUserDescriptionList();
    std::vector<UserPtr> users;
    for (const std::string& given : ctx.Operands) {
        const std::string id =
            zel::IsAllDigits(given) ? zel::workflows::UserIDWithoutLeadingZeros(given) : std::string(given);
        if (!site->Contains(id))
            throw UsageError("the site has no user with ID '" + given + "'");
        users.push_back(site->Item(id));
    }
    return ForgetUsers(ctx, users, "forget");
}

int RetentionPlan(Context& ctx)
{
    ctx.OpenSite();
    const auto schedule = zel::workflows::RetentionSchedule::OfSite();
    Table table({{"user_id", "User ID"},
                 {"name", "Name"},
                 {"basis", "Counted from"},
                 {"date", "Date"},
                 {"days_since", "Days since"},
                 {"days_over", "Days over"}});
    for (const auto& entry : schedule.Due(zel::DateTime::Now()))
        table.Add({entry.User->UserID(), entry.User->Name(), entry.Basis, entry.Date, entry.DaysSince, entry.DaysOver});
    if (ctx.Args.OutputFormat == Format::Table)
        ctx.Out << "Templates are kept " << schedule.Days() << " days; " << table.RowCount()
                << (table.RowCount() == 1 ? " user is" : " users are") << " due.\n";
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

int RetentionApply(Context& ctx)
{
    ctx.OpenSite();
    std::vector<UserPtr> users;
    for (const auto& entry : zel::workflows::RetentionSchedule::OfSite().Due(zel::DateTime::Now()))
        users.push_back(entry.User);
    if (users.empty()) {
        ctx.Err << "zelctl: no template is due\n";
        return kExitDone;
    }
    return ForgetUsers(ctx, users, "retention");
}

int RetentionPolicy(Context& ctx)
{
    ctx.OpenSite();
    ctx.Out << zel::workflows::RetentionSchedule::OfSite().PolicyText();
    return kExitDone;
}

int RetentionSet(Context& ctx)
{
    if (ctx.Operands.size() != 1)
        throw UsageError("retention set takes the number of days: zelctl retention set DAYS [--dry-run]");
    const int days = Days(ctx.Operands.front());
    ctx.OpenSite();
    zel::data::LifecycleStore lifecycle;
    const int was = lifecycle.RetentionDays();
    if (!ctx.DryRun()) {
        try {
            lifecycle.SetRetentionDays(days);
        } catch (const zel::Error& error) {
            throw ctx.SiteFailure(error);
        }
    }
    ctx.Out << (ctx.DryRun() ? "Would keep" : "Templates are kept") << " at most " << days << " days (was " << was
            << ")" << (ctx.DryRun() ? " (dry run)" : "") << ".\n";
    return kExitDone;
}

} // namespace zel::cli
