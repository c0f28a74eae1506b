// zelctl users add | set | delete: the user list editor's work from the command line, with its
// rules (zel/workflows/ListRules.h). "users remove" is taken: it removes users from clocks.
#include "Commands.h"
#include "EditSupport.h"
#include "ListRows.h"

#include "zel/data/DataSource.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/ListRules.h"
#include "zel/workflows/UserIDs.h"

#include <algorithm>

namespace zel::cli {

namespace {

// The user with this ID: exactly, or (a number) as a clock knows it, with leading zeros.
std::shared_ptr<zel::data::UserDescription> SiteUser(const zel::data::UserDescriptionList& users,
                                                     const std::string& userID)
{
    std::shared_ptr<zel::data::UserDescription> user;
    if (users.Contains(userID))
        user = users.Item(userID);
    else
        user = zel::workflows::UserOfClockID(users, zel::workflows::UserIDWithoutLeadingZeros(userID));
    if (!user)
        throw UsageError("the site has no user with ID '" + userID + "'");
    return user;
}

// The level option: a number 0 to 5 or a level's name; -1 for anything else, which the editor's
// rule refuses ("Invalid user authority level.").
std::int32_t LevelOption(const Context& ctx, std::int32_t fallback)
{
    if (!ctx.Args.Has("level"))
        return fallback;
    return zel::workflows::AuthorityLevelFromText(ctx.Args.Value("level")).value_or(-1);
}

void Print(Context& ctx, const UserRow& row, const char* done, const char* planned)
{
    Table table = UserTable(true);
    AddRow(table, row, ActionWord(ctx, done, planned));
    table.Print(ctx.Out, ctx.Args.OutputFormat);
}

} // namespace

int UsersAdd(Context& ctx)
{
    AcceptOnly(ctx, {"level"});
    if (ctx.Operands.size() != 2)
        throw UsageError("users add takes the user ID and the name: zelctl users add ID NAME [--level LEVEL]");
    const std::string typedID = ctx.Operands[0];
    const std::string name = ctx.Operands[1];
    const std::int32_t level = LevelOption(ctx, 0);
    ctx.OpenSite();
    auto users = zel::data::DataSource().GetUserDescriptionList();
    Refuse(zel::workflows::CheckUserFields(typedID, name, level));
    const auto keys = zel::workflows::CheckUserKeys(*users, nullptr, typedID, name);
    Refuse(keys.Refused);

    UserRow row{std::nullopt, keys.Store, name, level, false};
    StoreChange(ctx, [&] {
        auto user = users->Add(keys.Store, name);
        user->SetAuthorityLevel(level);
        users->Save();
        row.Id = user->DatabaseID();
    });
    Print(ctx, row, "added", "would add");
    return kExitDone;
}

int UsersSet(Context& ctx)
{
    AcceptOnly(ctx, {"name", "level", "new-id"});
    if (ctx.Operands.size() != 1)
        throw UsageError("users set takes one user ID: zelctl users set ID [--name NAME] [--level L] [--new-id ID]");
    ctx.OpenSite();
    auto users = zel::data::DataSource().GetUserDescriptionList();
    auto user = SiteUser(*users, ctx.Operands.front());
    const std::string typedID = ctx.Args.Value("new-id", user->UserID());
    const std::string name = ctx.Args.Value("name", user->Name());
    const std::int32_t level = LevelOption(ctx, user->AuthorityLevel());
    Refuse(zel::workflows::CheckUserFields(typedID, name, level));
    const auto keys = zel::workflows::CheckUserKeys(*users, user.get(), typedID, name);
    Refuse(keys.Refused);

    StoreChange(ctx, [&] {
        // The user ID first, as the editor does: the list refuses one that another user has.
        user->SetUserID(keys.Store);
        user->SetName(name);
        user->SetAuthorityLevel(level);
        users->Save();
    });
    Print(ctx, {user->DatabaseID(), keys.Store, name, level, user->Enrolled()}, "changed", "would change");
    return kExitDone;
}

int UsersDelete(Context& ctx)
{
    AcceptOnly(ctx, {});
    if (ctx.Operands.empty())
        throw UsageError("users delete takes one or more user IDs");
    ctx.OpenSite();
    auto users = zel::data::DataSource().GetUserDescriptionList();
    std::vector<std::shared_ptr<zel::data::UserDescription>> chosen;
    for (const auto& userID : ctx.Operands)
        if (auto user = SiteUser(*users, userID); std::find(chosen.begin(), chosen.end(), user) == chosen.end())
            chosen.push_back(user);
    Table table = UserTable(true);
    for (const auto& user : chosen)
        AddRow(table, RowOf(*user), ActionWord(ctx, "deleted", "would delete"));
    StoreChange(ctx, [&] {
        for (const auto& user : chosen)
            users->Remove(user->UserID());
        users->Save();
    });
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

} // namespace zel::cli
