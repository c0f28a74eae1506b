#include "Commands.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/workflows/ClockBackup.h"
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/DryRun.h"
#include "zel/workflows/ParallelGroups.h"
#include "zel/workflows/SiteDiff.h"
#include "zel/workflows/UserIDs.h"
#include "zel/workflows/UserTransfer.h"
#include "zel/workflows/UserTransmission.h"

#include <ostream>

namespace zel::cli {

namespace {

using zel::workflows::ClockResult;

std::shared_ptr<zel::data::ReaderDescription> OneClock(Context& ctx, const char* command)
{
    if (ctx.Operands.size() != 1 || ctx.Args.Flag("all"))
        throw UsageError(std::string(command) + " takes exactly one clock");
    return ctx.Clocks(ctx.Operands, false).front();
}

using UserPtr = std::shared_ptr<zel::data::UserDescription>;

// The site users named by --user, or every enrolled one for --enrolled; each one a clock can take.
// Users without a template (HasTemplate) go to `leftOut` instead, unless --allow-no-template asks
// for them: a clock would hold them with an all-zero template, against which nobody is verified.
std::vector<UserPtr> UsersToSend(Context& ctx, std::vector<UserPtr>& leftOut)
{
    const bool enrolled = ctx.Args.Flag("enrolled");
    if (enrolled == ctx.Args.Has("user"))
        throw UsageError("give either --user ID... or --enrolled");
    auto site = zel::data::DataSource().GetUserDescriptionList();
    std::vector<UserPtr> chosen;
    if (enrolled) {
        for (const auto& user : site->Items())
            if (user->Enrolled())
                chosen.push_back(user);
        if (chosen.empty())
            throw UsageError("the site has no enrolled users to send");
    } else {
        for (const std::string& id : ctx.Args.List("user")) {
            if (!site->Contains(id))
                throw UsageError("the site has no user with ID '" + id + "'");
            chosen.push_back(site->Item(id));
        }
    }
    for (const auto& user : chosen) {
        try {
            zel::workflows::MakeExtendedUser(*user);
        } catch (const zel::Error& error) {
            throw UsageError(error.Description());
        }
    }
    if (ctx.Args.Flag("allow-no-template"))
        return chosen;
    std::vector<UserPtr> sendable;
    for (const auto& user : chosen)
        (zel::workflows::HasTemplate(*user) ? sendable : leftOut).push_back(user);
    return sendable;
}

// "1001 (Ann Lee), 1002 (Bo)".
std::string Named(const std::vector<UserPtr>& users)
{
    std::string text;
    for (const auto& user : users)
        text += (text.empty() ? "" : ", ") + user->UserID() + " (" + user->Name() + ")";
    return text;
}

// Shows a transmission's progress on a terminal: the step of the clock at hand, then a line per
// finished clock.
void Attach(Context& ctx, zel::workflows::UserTransmission& transmission)
{
    transmission.SetProgress([&ctx](const zel::workflows::ChannelStep& step) {
        std::string text = step.Text;
        if (step.Total > 0)
            text += " (" + std::to_string(step.Done) + " of " + std::to_string(step.Total) + ")";
        ctx.Progress(step.Clock->Name(), text);
    });
}

// --dry-run of a command that writes users: what it would do to each clock, read from the clocks.
int DryRun(Context& ctx, const std::vector<Context::ReaderPtr>& clocks, zel::workflows::PlannedChange change,
           const std::vector<std::string>& ids, const char* countCaption)
{
    zel::workflows::ClockRunner runner(ctx.Maker());
    runner.SetMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels);
    ctx.Attach(runner);
    auto results = zel::workflows::PlanUserChanges(runner, clocks, change, ids);
    const int status = ctx.Finish(results);
    ResultTable(results, "users", countCaption).Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

} // namespace

int UsersGet(Context& ctx)
{
    auto clock = OneClock(ctx, "users get");
    auto site = zel::data::DataSource().GetUserDescriptionList();
    Table table({{"user_id", "User ID"}, {"name", "Name in site"}, {"template", "Template"}});
    zel::workflows::ClockRunner runner;
    ctx.Attach(runner);
    auto results = runner.Run({clock}, [&](zel::support::IReader& reader, zel::support::Channel&,
                                           const Context::ReaderPtr&, ClockResult& result) {
        auto list = reader.GetUserList();
        if (!list)
            return;
        for (const auto& user : *list) {
            const auto bytes = user->Template();
            const bool known = site->Contains(user->ID());
            table.Add({user->ID(), known ? Cell(site->Item(user->ID())->Name()) : Cell(),
                       zel::workflows::ToHex(bytes.data(), bytes.size())});
        }
        result.Count = list->Count();
    });
    const int status = ctx.Finish(results);
    if (status == kExitDone)
        table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int UsersImport(Context& ctx)
{
    auto clock = OneClock(ctx, "users import");
    if (ctx.DryRun())
        return DryRun(ctx, {clock}, zel::workflows::PlannedChange::Read, {}, "Users to import");
    auto site = zel::data::DataSource().GetUserDescriptionList();
    int added = 0, updated = 0, withoutTemplate = 0;
    zel::workflows::ClockRunner runner;
    ctx.Attach(runner);
    auto results = runner.Run({clock}, [&](zel::support::IReader& reader, zel::support::Channel&,
                                           const Context::ReaderPtr&, ClockResult& result) {
        auto list = reader.GetUserList();
        if (!list)
            return;
        for (const auto& user : *list) {
            const bool known = site->Contains(user->ID());
            if (zel::workflows::ImportClockUser(*site, *user)) {
                ++(known ? updated : added);
                ++result.Count;
                if (!zel::workflows::HasTemplate(user->Template()))
                    ++withoutTemplate;
            }
        }
        result.Detail = std::to_string(added) + " new, " + std::to_string(updated) + " updated";
        if (withoutTemplate > 0)
            result.Detail += ", " + std::to_string(withoutTemplate) + " without a template (not marked enrolled)";
    });
    const int status = ctx.Finish(results);
    ResultTable(results, "users", "Users imported").Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int UsersSend(Context& ctx)
{
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all"));
    std::vector<UserPtr> leftOut;
    auto users = UsersToSend(ctx, leftOut);
    if (!leftOut.empty())
        ctx.Err << "zelctl: not sent, no hand template in the site (not enrolled): " << Named(leftOut)
                << "\n(--allow-no-template sends them anyway, with an empty template no hand matches)\n";
    if (users.empty())
        return kExitSomeFailed; // nothing left to send: no clock is asked
    if (ctx.DryRun()) {
        std::vector<std::string> ids;
        for (const auto& user : users)
            ids.push_back(user->UserID());
        const int status = DryRun(ctx, clocks, zel::workflows::PlannedChange::Send, ids, "Users to send");
        return status == kExitDone && !leftOut.empty() ? kExitSomeFailed : status;
    }
    // The channels side by side, each clock selected once for all the users.
    zel::workflows::UserTransmission transmission;
    Attach(ctx, transmission);
    auto results = transmission.Send(clocks, users);
    ctx.TellAuditFailure(transmission.AuditFailure());
    for (auto& result : results)
        result.Detail = zel::workflows::DetailWithWrites(result); // what each clock lacks
    const int status = ctx.Finish(results);
    ResultTable(results, "users", "Users sent", true).Print(ctx.Out, ctx.Args.OutputFormat);
    return status == kExitDone && !leftOut.empty() ? kExitSomeFailed : status;
}

int UsersRemove(Context& ctx)
{
    const bool all = ctx.Args.Flag("all-users");
    if (all == ctx.Args.Has("user"))
        throw UsageError("give either --user ID... or --all-users");
    std::vector<std::string> ids;
    for (const std::string& id : ctx.Args.List("user")) {
        if (id.empty() || id.size() > 10 || !zel::IsAllDigits(id))
            throw UsageError("the user ID '" + id + "' is not a number of 1 to 10 digits");
        ids.push_back(zel::workflows::UserIDWithoutLeadingZeros(id));
    }
    auto clocks = ctx.Clocks(ctx.Operands, ctx.Args.Flag("all")); // opens the site
    auto site = zel::data::DataSource().GetUserDescriptionList();
    for (std::size_t k = 0; k < ids.size(); ++k)
        if (!site->Contains(ids[k]))
            throw UsageError("the site has no user with ID '" + ctx.Args.List("user")[k] + "'");
    if (ctx.DryRun())
        return DryRun(ctx, clocks,
                      all ? zel::workflows::PlannedChange::RemoveAll : zel::workflows::PlannedChange::Remove, ids,
                      "Users to remove");
    if (!all) {
        zel::workflows::UserTransmission transmission;
        Attach(ctx, transmission);
        auto results = transmission.Remove(clocks, ids);
        ctx.TellAuditFailure(transmission.AuditFailure());
        const int status = ctx.Finish(results);
        ResultTable(results, "users", "Users removed").Print(ctx.Out, ctx.Args.OutputFormat);
        return status;
    }
    zel::workflows::ClockRunner runner;
    runner.SetMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels); // channels side by side
    ctx.Attach(runner);
    auto results = runner.Run(clocks, [&](zel::support::IReader& reader, zel::support::Channel&,
                                          const Context::ReaderPtr&, ClockResult& result) {
        result.Count = reader.UserCount();
        reader.RemoveAllUsers();
        result.Detail = "every user removed";
    });
    if (ctx.Audits())
        ctx.SetAuditAction("clear");
    const int status = ctx.Finish(results);
    ResultTable(results, "users", "Users removed").Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int Diff(Context& ctx)
{
    auto clock = OneClock(ctx, "diff");
    auto site = zel::data::DataSource().GetUserDescriptionList();
    std::vector<zel::workflows::UserDifference> differences;
    zel::workflows::ClockRunner runner;
    ctx.Attach(runner);
    auto results = runner.Run({clock}, [&](zel::support::IReader& reader, zel::support::Channel&,
                                           const Context::ReaderPtr&, ClockResult& result) {
        differences = zel::workflows::DiffSiteAndClock(*site, reader);
        result.Count = static_cast<std::int32_t>(differences.size());
    });
    const int status = ctx.Finish(results);
    if (status != kExitDone)
        return status;
    Table table({{"user_id", "User ID"}, {"difference", "Difference"}, {"site", "Site"}, {"clock", "Clock"}});
    for (const auto& difference : differences)
        table.Add({difference.UserID, zel::workflows::DifferenceWord(difference.Kind),
                   difference.SiteValue.empty() ? Cell() : Cell(difference.SiteValue),
                   difference.ClockValue.empty() ? Cell() : Cell(difference.ClockValue)});
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

} // namespace zel::cli
