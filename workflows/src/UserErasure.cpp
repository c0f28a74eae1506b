#include "zel/workflows/UserErasure.h"

#include "zel/workflows/AuditTrail.h"
#include "zel/workflows/ClockRunner.h"

#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <algorithm>
#include <map>
#include <set>

namespace zel::workflows {

UserErasure::UserErasure(ChannelMaker makeChannel)
    : mMakeChannel(makeChannel ? std::move(makeChannel) : DefaultChannelMaker()), mTransmission(mMakeChannel)
{
    mTransmission.SetAudited(false); // the receipt is written with the change of the site
}

ErasureReport UserErasure::Forget(const std::vector<UserPtr>& users, const std::vector<ReaderPtr>& clocks,
                                  const std::string& action)
{
    zel::data::DataSource data;
    auto store = data.GetConnection();
    if (!store)
        throw zel::Error(zel::data::errc::ObjectNotSet, zel::data::ErrorSource,
                         "Object variable not set: no site database is open.");
    store->CheckWritable(); // before any clock loses anything

    ErasureReport report;
    for (const auto& user : users)
        report.UserIDs.push_back(user->UserID());
    report.Clocks = mTransmission.Remove(clocks, report.UserIDs);

    for (const auto& result : report.Clocks) {
        if (!result.Clock || result.Outcome == ClockOutcome::Done)
            continue;
        for (const auto& id : report.UserIDs) {
            zel::data::PendingErasure erasure;
            erasure.ClockID = result.Clock->DatabaseID();
            erasure.ClockName = result.Clock->Name();
            erasure.UserID = id;
            report.Pending.push_back(std::move(erasure));
        }
    }

    // The receipt: each clock and its outcome; a template is never part of it.
    std::vector<zel::data::AuditEntry> receipt;
    for (const auto& result : report.Clocks)
        receipt.push_back(AuditTrail::EntryOf(action, result, report.UserIDs,
                                              result.Outcome == ClockOutcome::Done
                                                  ? "template taken out of the site"
                                                  : "template taken out of the site; erasure pending on this clock"));
    if (receipt.empty()) {
        zel::data::AuditEntry entry;
        entry.Action = action;
        entry.UserIDs = report.UserIDs;
        entry.Outcome = OutcomeWord(ClockOutcome::Done);
        entry.Detail = "the site has no clocks; template taken out of the site";
        receipt.push_back(std::move(entry));
    }
    zel::data::LifecycleStore lifecycle(store);
    store->Transact([&] {
        if (!report.Pending.empty())
            lifecycle.AddPending(report.Pending);
        for (const auto& user : users)
            lifecycle.ForgetTemplate(user->DatabaseID());
        zel::data::AuditLog(store).Append(std::move(receipt));
    });
    report.SiteDone = true;
    // The list shows what the site holds now: no template, not enrolled.
    auto list = data.GetUserDescriptionList();
    for (const auto& user : users)
        list->Reload(user);
    return report;
}

std::vector<ClockResult> UserErasure::RetryPending()
{
    zel::data::LifecycleStore lifecycle;
    std::map<std::int32_t, std::size_t> before;
    for (const auto& erasure : lifecycle.Pending())
        ++before[erasure.ClockID];
    std::vector<ReaderPtr> clocks;
    for (const auto& clock : zel::data::DataSource().GetReaderDescriptionList()->Items())
        if (before.count(clock->DatabaseID()) > 0)
            clocks.push_back(clock);
    if (clocks.empty())
        return {};
    ClockRunner runner(mMakeChannel);
    // The channel finished the erasures when it reached the clock; nothing is left to do there.
    auto results =
        runner.Run(clocks, [](zel::support::IReader&, zel::support::Channel&, const ReaderPtr&, ClockResult&) {});
    for (auto& result : results) {
        if (!result.Clock || result.Outcome != ClockOutcome::Done)
            continue;
        const std::size_t was = before[result.Clock->DatabaseID()];
        const std::size_t left = lifecycle.PendingFor(result.Clock->DatabaseID()).size();
        result.Count = static_cast<std::int32_t>(was - std::min(was, left));
        if (left > 0) {
            result.Outcome = ClockOutcome::Failed;
            result.Detail = std::to_string(left) + (left == 1 ? " erasure is" : " erasures are") +
                            " still pending: the clock refused a removal, or the site could not record it.";
        } else {
            result.Detail = "every pending erasure finished";
        }
    }
    return results;
}

std::vector<std::string> UserErasure::UsersPending()
{
    std::set<std::string> ids;
    try {
        for (const auto& erasure : zel::data::LifecycleStore().Pending())
            ids.insert(erasure.UserID);
    } catch (const zel::Error&) {
        return {}; // no site open: nothing to show
    }
    return {ids.begin(), ids.end()};
}

} // namespace zel::workflows
