#pragma once
// Site users sent to many clocks, or taken off them, in one command.
#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/ClockResult.h"
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/CommandReport.h"
#include "zel/workflows/ParallelGroups.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {
class ReaderDescription;
class UserDescription;
} // namespace zel::data

namespace zel::workflows {

// Sends chosen users of the site to chosen clocks ("Export"), or removes them from those clocks
// ("Remove"): the work of the Add/Remove Users page and of `zelctl users send/remove`.
//
// The clocks are served a channel group at a time (clocks sharing a channel one after another,
// the channel connected once), the groups side by side on worker threads, at most MaxChannels at
// once (1: one group after another). Each clock is selected once for all its users. The clock
// users are built from the site's users on the calling thread before any clock is addressed; the
// workers touch neither the site database nor the windows. Progress is told on the calling thread,
// in order within a channel, while the calling thread runs its message pump.
//
// Holds the runner (its cancel flag) and the results of the last run.
//
// Progress goes to one line per channel group (the group's ChannelID).
//
// How it fails: never raises for a clock (see ClockRunner for the outcomes). Cancel, from any
// thread, stops every group before its next user: the users written stay written, and the clock
// is told "cancelled after n users". Sending only adds or replaces users, so an interruption never
// takes one away; each clock's result says which users are not confirmed on it (Writes). With SetStopAtError (the
// page's rule), an error on one clock ends the command: the other groups finish the clock they are writing and reach no
// further one.
class UserTransmission {
public:
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;
    using UserPtr = std::shared_ptr<zel::data::UserDescription>;
    enum class Direction { Send, Remove };

    // Where one channel group stands, told on the calling thread.
    using Step = ChannelStep;
    using Progress = std::function<void(const Step&)>;

    explicit UserTransmission(ChannelMaker makeChannel = DefaultChannelMaker());

    void SetMaxChannels(std::size_t channels) { mMaxChannels = channels == 0 ? 1 : channels; }
    void SetStopAtError(bool stop) { mRunner.SetStopAtError(stop); }
    void SetProgress(Progress progress) { mProgress = std::move(progress); }
    void Cancel() noexcept { mRunner.Cancel(); }
    bool CancelRequested() const noexcept { return mRunner.CancelRequested(); }

    // Sends `users` (their ID, name, level and template) to every clock of `clocks`.
    std::vector<ClockResult> Send(const std::vector<ReaderPtr>& clocks, const std::vector<UserPtr>& users);
    // Removes the users with these IDs from every clock of `clocks`. A user a clock does not hold
    // is already removed from it: the clock is done all the same, its Count tells the users
    // removed and its Detail names the others ("not on this clock: 1004, 1005").
    std::vector<ClockResult> Remove(const std::vector<ReaderPtr>& clocks, const std::vector<std::string>& userIDs);

    // Why the last run's rows could not be written to the site's audit trail ("" when they were).
    // Send and Remove log one row per clock ("send", "remove", with the users' IDs) once every
    // clock's outcome is known, a cancelled or failed run too.
    const std::string& AuditFailure() const { return mAuditFailure; }
    // False: the caller writes the audit rows itself (a forget writes its receipt together with
    // the change of the site).
    void SetAudited(bool audited) { mAudited = audited; }

    // The last run as the pages' result window tells it: every chosen clock, in the order
    // chosen, named "Export" or "Remove".
    CommandReport Report() const;

private:
    // Works through the users on one clock: returns how many it went through and sets the
    // result's Count (and Detail) to what it did, also before it raises.
    using Transfer = std::function<std::size_t(zel::support::IReader& reader,
                                               const std::function<bool(std::size_t)>& step, ClockResult& result)>;
    std::vector<ClockResult> Run(const std::vector<ReaderPtr>& clocks, std::size_t total, const Transfer& transfer,
                                 const std::function<std::string(std::size_t)>& stepText);
    void Tell(const ReaderPtr& clock, std::string text, int done, int total);
    // Sending: what reached the clock, from the users sent (result.Count).
    void TellWrites(ClockResult& result, bool uncertain) const;

    ClockRunner mRunner;
    std::size_t mMaxChannels = ParallelGroups::DefaultMaxChannels;
    Progress mProgress;
    Direction mDirection = Direction::Send;
    std::vector<ReaderPtr> mChosen;
    std::vector<std::string> mSentIDs; // the IDs of the users being sent, in order
    std::vector<ClockResult> mResults;
    std::string mAuditFailure;
    bool mAudited = true;
};

} // namespace zel::workflows
