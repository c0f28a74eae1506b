#pragma once

#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/CommandReport.h"
#include "zel/workflows/ParallelGroups.h"

#include "zel/Event.h"
#include "zel/KeyedCollection.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zel::support {
class Channel;
class IReader;
class IReaderVisitor;
class IUser;
} // namespace zel::support
namespace zel::data {
class ReaderDescription;
class UserDescription;
class UserDescriptionList;
} // namespace zel::data

namespace zel::workflows {

// Makes a set of destination clocks hold the site's enrolled users as learned from a set of
// source clocks: reads the users of every source clock (mode 0), stores them in the site
// database as enrolled users, then sends every enrolled user of the site to every destination
// clock (mode 1). Each destination clock is selected once for all its users.
//
// "Clear Destination Clocks" makes each destination clock hold exactly the enrolled users, but it
// never clears a clock that holds users who stay: the clock's users are read, those not enrolled
// are removed one by one, and only the users it lacks or holds differently are written, in data
// banks or one by one (zel::support::UserReplacement). So a line that drops, a cancel or a host
// that dies in the middle locks out nobody who could clock in before, and running the same
// synchronization again finishes the work. Without it every enrolled user is sent one by one
// (which only adds or replaces users).
//
// Clocks sharing a channel description are served through one channel, one after another; the
// channels of a phase work at the same time on worker threads (at most MaxChannels at once). All
// site reads and writes happen on the calling thread (the users to send are built before the
// destination phase, the import follows the source phase), and every event is raised on the
// calling thread, in order within a channel. While the clocks work the calling thread runs its
// message pump.
//
// Abort may be called from the calling thread (a Cancel button) or any other. Each channel's
// work checks it before each clock and after each reader lookup, after letting the pending
// messages of the calling thread run: a clock being written is finished, no further clock is
// written.
//
// Errors: a site database opened read-only refuses Execute at once, before any clock is read
// (error 3027, raised; the report stays empty). In the source phase clock errors are passed over (the clock gives no
// users) and the phase goes on. A channel that cannot be made (modem, missing, an address the factory refuses) counts
// as one that does not connect, in both phases. An error of the import (site database) or of a destination clock ends
// Execute and travels to the caller: the other channels stop at their next check, every channel is disconnected first,
// and the site database keeps what was imported, every user saved whole.
//
// Report() tells afterwards what happened to every chosen clock (source clocks: users read;
// destination clocks: users sent, and what was removed, already held or is lacking), also after an
// abort or an error.
class Synchronizer {
public:
    using ReaderCollection = zel::KeyedCollection<std::shared_ptr<zel::data::ReaderDescription>>;
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;
    using UserPtr = std::shared_ptr<zel::data::UserDescription>;

    static constexpr int SourceMode = 0;
    static constexpr int DestinationMode = 1;

    explicit Synchronizer(ChannelMaker makeChannel = DefaultChannelMaker());
    Synchronizer(const Synchronizer&) = delete;
    Synchronizer& operator=(const Synchronizer&) = delete;

    // Runs the whole synchronization before it returns.
    void Execute(const ReaderCollection& Source, const ReaderCollection& Destination, bool ClearDestinationClocks);
    // Sets the abort flag; the running Execute stops at its next check.
    void Abort() { mAbort = true; }
    // How many channels work at the same time (at least 1).
    void SetMaxChannels(std::size_t channels) { mMaxChannels = channels == 0 ? 1 : channels; }
    bool AbortRequested() const { return mAbort; }
    // What happened to each chosen clock: the source clocks (task Read) in their order, then the
    // destination clocks (task Send). Complete once Execute has returned or raised.
    const CommandReport& Report() const { return mReport; }
    // Why the last run's rows could not be written to the site's audit trail ("" when they were).
    // Execute logs one "sync" row per clock and task once the run has ended, however it ended.
    const std::string& AuditFailure() const { return mAuditFailure; }

    zel::Event<int, std::int32_t>& EstablishingConnection() { return mEstablishingConnection; }
    zel::Event<int, std::int32_t>& Connected() { return mConnected; }
    zel::Event<int, std::int32_t>& ConnectionFailed() { return mConnectionFailed; }
    zel::Event<int, ReaderPtr>& ConnectingToReader() { return mConnectingToReader; }
    zel::Event<int, ReaderPtr>& ReaderFound() { return mReaderFound; }
    zel::Event<int, ReaderPtr>& ReaderNotFound() { return mReaderNotFound; }
    zel::Event<int, UserPtr>& SendingUser() { return mSendingUser; }
    zel::Event<int, ReaderPtr>& ReaderUploadComplete() { return mReaderUploadComplete; }
    // Where each channel group stands (mode, step), beside the events above: a running window shows
    // one line per channel with it.
    zel::Event<int, ChannelStep>& ChannelProgress() { return mChannelProgress; }
    // Raised after the group's channel has been disconnected.
    zel::Event<int, std::int32_t>& Disconnecting() { return mDisconnecting; }
    zel::Event<>& BeginSynchornize() { return mBeginSynchornize; }
    zel::Event<>& EndSynchronize() { return mEndSynchronize; }
    zel::Event<>& Aborted() { return mAborted; }

private:
    using ClockUsers = zel::KeyedCollection<std::shared_ptr<zel::support::IUser>>;
    using ClockUserList = std::vector<std::shared_ptr<zel::support::IUser>>;
    // A site user ready for the clocks (or the reason it cannot be sent), built on the calling thread.
    struct Outgoing {
        UserPtr User;
        std::shared_ptr<zel::support::IReaderVisitor> ClockUser;
        std::exception_ptr Error;
    };
    // What the work on one clock did so far: users read or written, and what was written.
    struct Tally {
        int Count = 0;
        std::optional<zel::support::UserWrites> Writes;
    };
    // Does the work on one clock, on a worker thread; `tally` follows it.
    using ReaderWork = std::function<void(const std::shared_ptr<zel::support::IReader>&, const ReaderPtr&,
                                          std::size_t group, Tally& tally, ParallelGroups::Lane& lane)>;

    // The whole synchronization (Execute keeps the report when it raises).
    void Run(const std::vector<ReaderPtr>& sources, const std::vector<ReaderPtr>& destinations);
    // Runs `work` on the clocks of every group, the groups side by side; raises the first error
    // of a destination clock once every group has ended.
    void RunPhase(int mode, const std::vector<ChannelGroup>& groups, const ReaderWork& work);
    // One group on its worker thread: connects its channel at the first clock, asks for each
    // clock's reader and runs `work` on those that answer, disconnects. Records each clock's
    // outcome (through the lane).
    void RunGroup(int mode, const ChannelGroup& group, std::size_t index,
                  std::shared_ptr<zel::support::Channel> channel, const std::string& why, const ReaderWork& work,
                  ParallelGroups::Lane& lane);
    // Pumps messages, then raises Aborted (once) when the flag is set. True when aborting.
    // Calling thread only.
    bool CheckAbort();
    // From a worker: waits for the calling thread to run CheckAbort. True when the group must stop.
    bool Checkpoint(ParallelGroups::Lane& lane);
    // From a worker: keeps the first error that ends Execute and stops the other groups.
    void Stop(std::exception_ptr error);
    void ReadSource(const std::shared_ptr<zel::support::IReader>& reader, ClockUserList& collected, int& count);
    void Import(const ClockUsers& collected, zel::data::UserDescriptionList& users);
    // Makes the clock hold exactly the outgoing users (Clear Destination Clocks).
    void ReplaceUsers(const std::shared_ptr<zel::support::IReader>& reader, const ReaderPtr& clock,
                      const std::vector<Outgoing>& outgoing, Tally& tally, ParallelGroups::Lane& lane);
    void WriteDestination(const std::shared_ptr<zel::support::IReader>& reader, const ReaderPtr& clock,
                          const std::vector<Outgoing>& outgoing, Tally& tally, ParallelGroups::Lane& lane);

    ChannelMaker mMakeChannel;
    std::size_t mMaxChannels = ParallelGroups::DefaultMaxChannels;
    std::unordered_map<std::int32_t, std::int32_t> mGroupOf; // clock DatabaseID -> its group's ChannelID
    std::atomic<bool> mAbort{false};
    std::atomic<bool> mStopped{false}; // a destination error ends the phase
    std::mutex mErrorLock;
    std::exception_ptr mError; // the first error that ends Execute (guarded by mErrorLock)
    bool mAbortedRaised = false;
    bool mClearDestinationClocks = false;
    CommandReport mReport{"Synchronize"};
    std::string mAuditFailure;
    bool mErrorTold = false; // the error that ends Execute is already in a clock's row

    // From a worker: tells the group's step through the lane (`user`, when given, is named after
    // `text`).
    void TellStep(ParallelGroups::Lane& lane, int mode, const ReaderPtr& clock, std::string text, int done = 0,
                  int total = 0, UserPtr user = nullptr);

    zel::Event<int, std::int32_t> mEstablishingConnection;
    zel::Event<int, std::int32_t> mConnected;
    zel::Event<int, std::int32_t> mConnectionFailed;
    zel::Event<int, ReaderPtr> mConnectingToReader;
    zel::Event<int, ReaderPtr> mReaderFound;
    zel::Event<int, ReaderPtr> mReaderNotFound;
    zel::Event<int, UserPtr> mSendingUser;
    zel::Event<int, ReaderPtr> mReaderUploadComplete;
    zel::Event<int, std::int32_t> mDisconnecting;
    zel::Event<int, ChannelStep> mChannelProgress;
    zel::Event<> mBeginSynchornize;
    zel::Event<> mEndSynchronize;
    zel::Event<> mAborted;
};

} // namespace zel::workflows
