#include "zel/workflows/DryRun.h"

#include "zel/support/IReader.h"
#include "zel/support/IUser.h"

#include <set>

namespace zel::workflows {

namespace {

std::string Users(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " user" : " users");
}

std::string Joined(const std::vector<std::string>& ids)
{
    std::string text;
    for (const auto& id : ids)
        text += (text.empty() ? "" : ", ") + id;
    return text;
}

} // namespace

std::vector<ClockResult> PlanUserChanges(ClockRunner& runner, const std::vector<ClockRunner::ReaderPtr>& clocks,
                                         PlannedChange change, const std::vector<std::string>& userIDs)
{
    return runner.Run(clocks, [&](zel::support::IReader& reader, zel::support::Channel&, const ClockRunner::ReaderPtr&,
                                  ClockResult& result) {
        std::set<std::string> held;
        if (auto list = reader.GetUserList())
            for (const auto& user : *list)
                held.insert(user->ID());
        std::vector<std::string> on, off;
        for (const auto& id : userIDs)
            (held.count(id) ? on : off).push_back(id);
        switch (change) {
        case PlannedChange::Send:
            result.Count = static_cast<std::int32_t>(userIDs.size());
            result.Detail = "would send " + Users(userIDs.size());
            if (!on.empty())
                result.Detail += ", " + std::to_string(on.size()) + " of them held already (replaced)";
            break;
        case PlannedChange::Remove:
            result.Count = static_cast<std::int32_t>(on.size());
            result.Detail =
                on.empty() ? "would remove no user" : "would remove " + Users(on.size()) + ": " + Joined(on);
            if (!off.empty())
                result.Detail += "; not on this clock: " + Joined(off);
            break;
        case PlannedChange::Replace: {
            result.Count = static_cast<std::int32_t>(userIDs.size());
            const std::set<std::string> kept(userIDs.begin(), userIDs.end());
            std::vector<std::string> others;
            for (const auto& id : held)
                if (kept.count(id) == 0)
                    others.push_back(id);
            result.Detail = "would send " + Users(userIDs.size()) + "; would remove " +
                            (others.empty() ? std::string("no user") : Users(others.size()) + ": " + Joined(others));
            break;
        }
        case PlannedChange::RemoveAll:
            result.Count = static_cast<std::int32_t>(held.size());
            result.Detail = "would remove every user (" + Users(held.size()) + ")";
            break;
        case PlannedChange::Read:
            result.Count = static_cast<std::int32_t>(held.size());
            result.Detail = "would read " + Users(held.size()) + " into the site";
            break;
        }
        result.Detail += " (dry run)";
    });
}

} // namespace zel::workflows
