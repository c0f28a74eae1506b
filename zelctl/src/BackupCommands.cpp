#include "Commands.h"

#include "zel/Error.h"
#include "zel/data/ReaderDescription.h"
#include "zel/support/IReader.h"
#include "zel/workflows/ClockBackup.h"
#include "zel/workflows/ClockModel.h"
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/PrivateFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zel::cli {

namespace {

using zel::workflows::ClockResult;

void ShowUsers(Context& ctx, const std::string& clock, const char* what, int done, int total)
{
    ctx.Progress(clock, std::string(what) + " " + std::to_string(done) + " of " + std::to_string(total));
}

} // namespace

int Backup(Context& ctx)
{
    if (ctx.Operands.size() != 2)
        throw UsageError("backup takes a clock and a file: zelctl backup CLOCK FILE");
    auto clock = ctx.Clocks({ctx.Operands[0]}, false).front();
    const std::string file = ctx.Operands[1];
    zel::workflows::ClockRunner runner;
    ctx.Attach(runner);
    auto results = runner.Run({clock}, [&](zel::support::IReader& reader, zel::support::Channel& channel,
                                           const Context::ReaderPtr& c, ClockResult& result) {
        auto backup = zel::workflows::ReadClockBackup(
            reader, channel, c->ReaderID(), zel::workflows::ModelOf(reader).Name,
            [&](int done, int total) { ShowUsers(ctx, c->Name(), "reading user", done, total); });
        std::ostringstream text;
        backup.Write(text);
        // Mode 0600: it holds hand templates; whole or not there.
        zel::workflows::PrivateFile out(file);
        out.Stream() << text.str();
        out.Commit();
        result.Count = static_cast<std::int32_t>(backup.Users.size());
        result.Detail = "written to " + file;
    });
    const int status = ctx.Finish(results);
    ResultTable(results, "users", "Users").Print(ctx.Out, ctx.Args.OutputFormat);
    return status;
}

int Restore(Context& ctx)
{
    if (ctx.Operands.size() != 2)
        throw UsageError("restore takes a file and a clock: zelctl restore FILE CLOCK [--yes]");
    const std::string file = ctx.Operands[0];
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw UsageError("cannot read the backup file '" + file + "': " + std::strerror(errno));
    zel::workflows::ClockBackup wanted;
    try {
        wanted = zel::workflows::ClockBackup::Parse(in);
    } catch (const zel::Error& error) {
        throw UsageError(file + ": " + error.Description());
    }
    auto clock = ctx.Clocks({ctx.Operands[1]}, false).front();
    const bool write = ctx.Args.Flag("yes") && !ctx.DryRun();

    // The changes, and how each went: planned (without --yes), done, not done, uncertain.
    struct Change {
        const char* Action;
        std::string UserID;
        std::string Detail;
    };
    std::vector<Change> changes;
    zel::workflows::RestoreProgress done;
    zel::workflows::ClockRunner runner(ctx.Maker(!write));
    ctx.Attach(runner);
    auto results = runner.Run({clock}, [&](zel::support::IReader& reader, zel::support::Channel& channel,
                                           const Context::ReaderPtr& c, ClockResult& result) {
        const std::string model = zel::workflows::ModelOf(reader).Name;
        if (model != wanted.Model)
            throw zel::Error(5, "zelctl",
                             "the backup is of a " + wanted.Model + " model clock; this clock is a " + model +
                                 " model");
        auto current = zel::workflows::ReadClockBackup(reader, channel, c->ReaderID(), model, [&](int n, int total) {
            ShowUsers(ctx, c->Name(), "reading user", n, total);
        });
        const auto plan = zel::workflows::PlanRestore(current, wanted);
        for (const auto& id : plan.Remove)
            changes.push_back({"remove", id, "not in the backup"});
        for (const auto& user : plan.Send)
            changes.push_back({"send", user.ID, "level " + std::to_string(user.AuthorityLevel)});
        if (plan.WriteSetup)
            changes.push_back({"setup", {}, "the clock's setup record differs"});
        result.Count = static_cast<std::int32_t>(changes.size());
        if (!write) {
            result.Detail = plan.Empty() ? "nothing to change" : "nothing written (give --yes to write)";
            return;
        }
        try {
            zel::workflows::ApplyRestore(reader, channel, c->ReaderID(), current, wanted, done, [&](int n, int total) {
                ShowUsers(ctx, c->Name(), "writing change", n, total);
            });
        } catch (...) {
            result.Writes = done.Users;
            throw;
        }
        result.Writes = done.Users;
        result.Detail = plan.Empty() ? "nothing to change" : "restored";
    });
    for (auto& result : results)
        result.Detail = zel::workflows::DetailWithWrites(result); // what the clock lacks
    const int status = ctx.Finish(results);

    auto listed = [](const std::vector<std::string>& ids, const std::string& id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    const auto& users = done.Users;
    Table table({{"action", "Action"}, {"user_id", "User ID"}, {"detail", "Detail"}, {"result", "Result"}});
    for (const Change& change : changes) {
        std::string state = "planned";
        if (write && std::string(change.Action) == "setup") {
            using Setup = zel::workflows::RestoreProgress::Setup;
            state = done.SetupRecord == Setup::Written     ? "done"
                    : done.SetupRecord == Setup::Uncertain ? "uncertain"
                                                           : "not done";
        } else if (write) {
            const bool removal = std::string(change.Action) == "remove";
            const bool open = !users.Planned || listed(removal ? users.NotRemoved : users.Lacking, change.UserID);
            state = !open ? "done" : listed(users.Uncertain, change.UserID) ? "uncertain" : "not done";
        }
        table.Add({change.Action, change.UserID.empty() ? Cell() : Cell(change.UserID), change.Detail, state});
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    if (status == kExitDone && !write && table.RowCount() != 0)
        ctx.Err << "zelctl: nothing was written"
                << (ctx.DryRun() ? " (dry run)\n" : "; run again with --yes to make these changes\n");
    return status;
}

} // namespace zel::cli
