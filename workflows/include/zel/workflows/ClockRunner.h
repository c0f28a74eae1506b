#pragma once
// Runs one piece of work on each of a set of clocks.
#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/ClockResult.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zel::support {
class Channel;
class IReader;
} // namespace zel::support

namespace zel::workflows {

// Visits chosen clocks a channel group at a time: the clocks on one line (GroupByChannel) are
// reached through one channel, connected once at the group's first clock and disconnected after
// its last. For each clock it asks the channel for the reader and runs the work on it.
//
// Holds the channel maker, the cancel flag and the group of each clock of the last run; the
// results are returned, one per distinct clock, in the order of the groups (the order of each
// group's first clock).
//
// By default everything runs on the calling thread. With SetMaxChannels(n) the groups run side
// by side on up to n worker threads (the channels are still made on the calling thread, which
// delivers Progress and Finished in order within each group and runs its message pump while it
// waits); the work then runs on a worker thread and must not touch the site database or the
// windows: it tells its progress through Tell.
//
// How it fails: it never raises for a clock. A channel that cannot be made (modem description,
// a missing channel row, an address the factory refuses) marks each clock of its group
// NoChannel, a channel that does not connect NotConnected (Detail: NotConnectedReason, the channel's
// address and why, when the connector can tell), a clock that does not answer NotAnswering, and an error raised by the
// work Failed with the error's number and text (followed by any Detail the work had set). After Cancel, the clock being
// worked on finishes (work that looks at CancelRequested may stop sooner), and every clock not yet reached is
// Cancelled. With SetStopAtError, a Failed clock ends the command: every group stops before its next clock, and the
// clocks not reached are NotReached.
class ClockRunner {
public:
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;
    // Does the work on one clock. Sets result.Count (and, if it wants, Detail); raises to fail.
    // The channel is the clock's, connected; work that selects the clock itself uses it.
    using Work = std::function<void(zel::support::IReader& reader, zel::support::Channel& channel,
                                    const ReaderPtr& clock, ClockResult& result)>;
    // Told when a clock is about to be worked on, and when its result is known.
    using Progress = std::function<void(const ReaderPtr& clock, const std::string& stage)>;
    using Finished = std::function<void(const ClockResult& result)>;

    explicit ClockRunner(ChannelMaker makeChannel = DefaultChannelMaker());

    std::vector<ClockResult> Run(const std::vector<ReaderPtr>& clocks, const Work& work);

    void SetProgress(Progress progress) { mProgress = std::move(progress); }
    void SetFinished(Finished finished) { mFinished = std::move(finished); }
    // 0 (the default): one group after another on the calling thread; n: up to n groups at once.
    void SetMaxChannels(std::size_t channels) { mMaxChannels = channels; }
    // From the work: tells the progress on `clock`, through the calling thread when the work runs
    // on a worker.
    void Tell(const ReaderPtr& clock, const std::string& stage) const;
    // From the work: runs `call` on the calling thread (later, in order with this group's
    // progress, when the work runs on a worker; at once otherwise).
    void Post(std::function<void()> call) const;
    // From the work: runs `call` on the calling thread and waits for it (at once when the work
    // runs there). What it raises is raised by Run after the work has ended, not here.
    void Call(std::function<void()> call) const;
    // Runs on the calling thread while it waits for the workers (beside its message pump).
    void SetIdle(std::function<void()> idle) { mIdle = std::move(idle); }
    // May be called from any thread; seen before each clock.
    void Cancel() noexcept { mCancel = true; }
    bool CancelRequested() const noexcept { return mCancel; }
    // A failed clock ends the whole command (the other groups stop before their next clock).
    void SetStopAtError(bool stop) { mStopAtError = stop; }
    // True once a failed clock has ended the command (with SetStopAtError).
    bool Stopped() const noexcept { return mStopped; }
    // The ChannelID of the group `clock` was served in by the last Run (its own
    // ChannelDescriptionID when it was not among the clocks): the line of a running window.
    std::int32_t GroupChannelID(const ReaderPtr& clock) const;

private:
    // Runs one group; `made` tells whether `channel` (or `channelError`) was made already.
    void RunGroup(const ChannelGroup& group, const Work& work, std::vector<ClockResult>& results, bool made,
                  std::shared_ptr<zel::support::Channel> channel, std::string channelError);
    // Makes the channel of a group on the calling thread; `why` says why there is none, or why the
    // one made would not be connected should it stay closed.
    std::shared_ptr<zel::support::Channel> MakeChannel(const ChannelGroup& group, std::string& why) const;
    void Report(const ReaderPtr& clock, const std::string& stage) const;
    void Finish(std::vector<ClockResult>& results, ClockResult result) const;

    ChannelMaker mMakeChannel;
    Progress mProgress;
    Finished mFinished;
    std::function<void()> mIdle;
    std::atomic<bool> mCancel{false};
    std::atomic<bool> mStopped{false};
    bool mStopAtError = false;
    std::size_t mMaxChannels = 0;
    std::unordered_map<std::int32_t, std::int32_t> mGroupOf; // clock DatabaseID -> group ChannelID
};

} // namespace zel::workflows
