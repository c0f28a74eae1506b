#pragma once
// Forgetting people: their templates taken off every clock of the site, then out of the site.
#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/ClockResult.h"
#include "zel/workflows/UserTransmission.h"

#include "zel/data/LifecycleStore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {
class ReaderDescription;
class UserDescription;
} // namespace zel::data

namespace zel::workflows {

// What a forget did: one result per clock of the site, the erasures left pending (clocks not done)
// and whether the site took the templates out.
struct ErasureReport {
    std::vector<ClockResult> Clocks;
    std::vector<zel::data::PendingErasure> Pending;
    std::vector<std::string> UserIDs; // the users forgotten
    bool SiteDone = false;            // the templates are out of the site and the pending erasures recorded
};

// Forgets users: removes them from every given clock (every clock of the site may hold them: a
// user enrolled at a clock itself is on no list of ours), then, in one transaction of the site,
// takes their templates out of their rows (the rows stay, not enrolled: the person's name and ID
// remain for the events that name them and for the administrator, who may delete the row as any
// other) and records a pending erasure for each clock that was not done (not reached, failed,
// cancelled). The first command that reaches such a clock later finishes it (ErasureFinisher);
// RetryPending reaches them on purpose; each erasure finished later gets a receipt row of its own
// ("forget", "pending erasure finished").
//
// Holds the transmission of the clock part (its cancel flag). The site part runs on the calling
// thread, which owns the site.
//
// How it fails: never raises for a clock. Cancel stops before the next user or clock; what was
// not done stays pending, and the site part still runs: a forget once started is finished by the
// pending erasures, never half undone. A site that cannot be written (read-only, a lost server)
// raises its zel::Error before any clock is reached (CheckWritable) or, when the write itself
// fails, after the clock part: the templates then stay in the site, enrolled, and nothing was
// recorded; the error reaches the caller, who says so (forgetting again finishes the work).
class UserErasure {
public:
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;
    using UserPtr = std::shared_ptr<zel::data::UserDescription>;

    explicit UserErasure(ChannelMaker makeChannel = DefaultChannelMaker());

    void SetProgress(UserTransmission::Progress progress) { mTransmission.SetProgress(std::move(progress)); }
    void Cancel() noexcept { mTransmission.Cancel(); }
    bool CancelRequested() const noexcept { return mTransmission.CancelRequested(); }

    // Forgets the users (of the calling thread's site) on the clocks. Raises 3027 on a site that
    // cannot be written before anything else. The receipt goes to the site's audit trail in the
    // transaction that takes the templates out: one row per clock with its outcome (one row
    // without a clock for a site without clocks), under `action` ("forget", or "retention" for
    // the retention schedule's run). A failed site write leaves no receipt.
    ErasureReport Forget(const std::vector<UserPtr>& users, const std::vector<ReaderPtr>& clocks,
                         const std::string& action = "forget");

    // Reaches every clock of the site that has pending erasures; the channel finishes them there.
    // One result per such clock: Done when none is left pending on it (Count: erasures finished).
    std::vector<ClockResult> RetryPending();

    // The clock part of the last Forget as the pages' result window tells it (task "Remove").
    CommandReport Report() const { return mTransmission.Report(); }

    // The site's users with an erasure pending on some clock, by user ID (sorted). Empty when the
    // site cannot tell (none open).
    static std::vector<std::string> UsersPending();

private:
    ChannelMaker mMakeChannel;
    UserTransmission mTransmission;
};

} // namespace zel::workflows
