#include "SiteEditAudit.h"

#include "DatabaseState.h"
#include "zel/data/ChannelDescriptionBase.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"

#include <string_view>

namespace zel::data::detail {

namespace {

bool IsChange(const char* action)
{
    return std::string_view(action).ends_with("-change");
}

// " (was OLD)" when a change moved the key.
std::string Was(const char* action, const std::string& now, const std::string& stored)
{
    return IsChange(action) && !stored.empty() && stored != now ? " (was " + stored + ")" : std::string();
}

} // namespace

void AuditedWrite(const std::function<void()>& write, const std::function<AuditEntry()>& describe)
{
    auto store = CurrentStore();
    RequireStore().Transact([&] {
        write();
        AuditLog(store).Append({describe()});
    });
}

AuditEntry UserEdit(const char* action, const UserDescription& user, const std::string& storedID)
{
    AuditEntry entry;
    entry.Action = action;
    const bool removed = std::string_view(action).ends_with("-remove");
    entry.UserIDs = {removed && !storedID.empty() ? storedID : user.UserID()};
    entry.Outcome = "done";
    if (!removed)
        // Never the template: only whether the user has one.
        entry.Detail = "name " + user.Name() + ", authority level " + std::to_string(user.AuthorityLevel()) +
                       (user.Enrolled() ? ", enrolled" : ", not enrolled") + Was(action, user.UserID(), storedID);
    return entry;
}

AuditEntry ClockEdit(const char* action, const ReaderDescription& clock, const std::string& storedName)
{
    AuditEntry entry;
    entry.Action = action;
    entry.ClockID = clock.DatabaseID();
    entry.ClockName = std::string_view(action).ends_with("-remove") && !storedName.empty() ? storedName : clock.Name();
    entry.Outcome = "done";
    entry.Detail = "reader ID " + std::to_string(clock.ReaderID()) + ", channel " +
                   std::to_string(clock.ChannelDescriptionID()) + ", location " + clock.Location() +
                   Was(action, clock.Name(), storedName);
    return entry;
}

AuditEntry ChannelEdit(const char* action, const ChannelDescriptionBase& channel, const std::string& storedName)
{
    AuditEntry entry;
    entry.Action = action;
    entry.Outcome = "done";
    const std::string name =
        std::string_view(action).ends_with("-remove") && !storedName.empty() ? storedName : channel.Name();
    entry.Detail = "channel " + name + " (ID " + std::to_string(channel.DatabaseID()) + ")" +
                   Was(action, channel.Name(), storedName);
    return entry;
}

} // namespace zel::data::detail
