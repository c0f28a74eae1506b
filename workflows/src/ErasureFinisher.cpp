#include "zel/workflows/ErasureFinisher.h"

#include "zel/workflows/ParallelGroups.h"
#include "zel/workflows/SiteChannels.h"

#include "zel/Error.h"
#include "zel/data/AuditLog.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/LifecycleStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"

#include <algorithm>
#include <exception>

namespace zel::workflows {

std::shared_ptr<ErasureFinisher> ErasureFinisher::ForLine(const std::string& line)
{
    if (line.empty())
        return nullptr;
    try {
        zel::data::DataSource data;
        if (!data.GetConnection() || !data.GetConnection()->IsOpen())
            return nullptr;
        const auto pending = zel::data::LifecycleStore().Pending();
        if (pending.empty())
            return nullptr;
        // Only the clocks with erasures pending are looked at: a fleet's channels are made one
        // after another, each asking here.
        auto channels = data.GetChannelDescriptionList();
        auto clocks = data.GetReaderDescriptionList();
        auto finisher = std::make_shared<ErasureFinisher>();
        for (const auto& erasure : pending) {
            const auto clock = clocks->GetByDatabaseID(erasure.ClockID);
            if (clock && LineOfDescription(channels->GetByDatabaseID(clock->ChannelDescriptionID())) == line)
                finisher->mByReader[clock->ReaderID()].push_back({erasure.ClockID, erasure.ClockName, erasure.UserID});
        }
        return finisher->mByReader.empty() ? nullptr : finisher;
    } catch (const std::exception&) {
        return nullptr; // the site cannot tell now: the erasures wait for a later command
    }
}

void ErasureFinisher::Attach(zel::support::Channel& channel)
{
    channel.SetReaderReached([self = shared_from_this()](zel::support::IReader& reader, std::int32_t readerID) {
        self->Finish(reader, readerID);
    });
}

void ErasureFinisher::Finish(zel::support::IReader& reader, std::int32_t readerID)
{
    std::vector<Pending> due;
    {
        const std::lock_guard<std::mutex> hold(mLock);
        const auto found = mByReader.find(readerID);
        if (found == mByReader.end())
            return;
        due = std::move(found->second);
        mByReader.erase(found);
    }
    zel::support::RemoveList users;
    for (const auto& erasure : due) {
        auto user = std::make_shared<zel::support::ExtendedUser>();
        user->SetID(erasure.UserID);
        users.push_back(user);
    }
    zel::support::RemoveResult result;
    try {
        reader.RemoveUsers(users, result);
    } catch (const std::exception&) {
        // The users before the failure are gone; the rest stay pending.
    }
    due.resize(std::min(due.size(), result.Done()));
    if (due.empty())
        return;
    ParallelGroups::PostHome([due] {
        for (const auto& erasure : due) {
            try {
                auto store = zel::data::DataSource().GetConnection();
                if (!store)
                    return;
                // The row goes with the receipt of the erasure, or neither.
                store->Append([&] {
                    if (!zel::data::LifecycleStore(store).RemovePending(erasure.ClockID, erasure.UserID))
                        return;
                    zel::data::AuditEntry entry;
                    entry.Action = "forget";
                    entry.ClockID = erasure.ClockID;
                    entry.ClockName = erasure.ClockName;
                    entry.UserIDs = {erasure.UserID};
                    entry.Outcome = "done";
                    entry.Detail = "pending erasure finished";
                    zel::data::AuditLog(store).Append({std::move(entry)});
                });
            } catch (const zel::Error&) {
                return; // the row stays; the next command that reaches the clock takes it out
            }
        }
    });
}

} // namespace zel::workflows
