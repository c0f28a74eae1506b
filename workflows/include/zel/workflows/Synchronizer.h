#pragma once

#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/CommandReport.h"

#include "zel/Event.h"
#include "zel/KeyedCollection.h"

#include <cstdint>
#include <memory>

namespace zel::support {
class IReader;
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
// clock (mode 1), optionally after clearing it. Clocks sharing a channel description are served
// through one channel. Reports each step through its events, all raised on the calling thread.
//
// Pending events are processed (the message pump) before each clock, after each reader lookup and
// after each user sent; that is how Abort reaches a running Execute. The abort flag is checked
// before each clock and after each reader lookup: a clock being written is finished, no further
// clock is written.
//
// Errors: in the source phase clock errors are passed over (the clock gives no users) and the
// phase goes on. A channel that cannot be made (modem, missing, an address the factory refuses)
// counts as one that does not connect, in both phases. An error of the import (site database) or
// of a destination clock ends Execute and travels to the caller; the channel is disconnected
// first, and the site database keeps what was imported, every user saved whole.
//
// Report() tells afterwards what happened to every chosen clock (source clocks: users read;
// destination clocks: users sent), also after an abort or an error.
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
    bool AbortRequested() const { return mAbort; }
    // What happened to each chosen clock: the source clocks (task Read) in their order, then the
    // destination clocks (task Send). Complete once Execute has returned or raised.
    const CommandReport& Report() const { return mReport; }

    zel::Event<int, std::int32_t>& EstablishingConnection() { return mEstablishingConnection; }
    zel::Event<int, std::int32_t>& Connected() { return mConnected; }
    zel::Event<int, std::int32_t>& ConnectionFailed() { return mConnectionFailed; }
    zel::Event<int, ReaderPtr>& ConnectingToReader() { return mConnectingToReader; }
    zel::Event<int, ReaderPtr>& ReaderFound() { return mReaderFound; }
    zel::Event<int, ReaderPtr>& ReaderNotFound() { return mReaderNotFound; }
    zel::Event<int, UserPtr>& SendingUser() { return mSendingUser; }
    zel::Event<int, ReaderPtr>& ReaderUploadComplete() { return mReaderUploadComplete; }
    // Raised after the group's channel has been disconnected.
    zel::Event<int, std::int32_t>& Disconnecting() { return mDisconnecting; }
    zel::Event<>& BeginSynchornize() { return mBeginSynchornize; }
    zel::Event<>& EndSynchronize() { return mEndSynchronize; }
    zel::Event<>& Aborted() { return mAborted; }

private:
    using ClockUsers = zel::KeyedCollection<std::shared_ptr<zel::support::IUser>>;
    // Does the work on one clock; `count` follows the users read or sent.
    using ReaderWork = std::function<void(const std::shared_ptr<zel::support::IReader>&, const ReaderPtr&, int& count)>;

    // The whole synchronization (Execute keeps the report when it raises).
    void Run(const std::vector<ReaderPtr>& sources, const std::vector<ReaderPtr>& destinations);
    // One group: connects its channel at the first clock, asks for each clock's reader and runs
    // `work` on those that answer, disconnects. Records each clock's outcome. False when an abort
    // was seen.
    bool RunGroup(int mode, const ChannelGroup& group, const ReaderWork& work);
    // Pumps messages, then raises Aborted (once) when the flag is set. True when aborting.
    bool CheckAbort();
    void ReadSource(const std::shared_ptr<zel::support::IReader>& reader, ClockUsers& collected, int& count);
    void Import(const ClockUsers& collected, zel::data::UserDescriptionList& users);
    void WriteDestination(const std::shared_ptr<zel::support::IReader>& reader, const ReaderPtr& clock,
                          const std::vector<UserPtr>& enrolled, int& count);

    ChannelMaker mMakeChannel;
    bool mAbort = false;
    bool mAbortedRaised = false;
    bool mClearDestinationClocks = false;
    CommandReport mReport{"Synchronize"};
    bool mErrorTold = false; // the error that ends Execute is already in a clock's row

    zel::Event<int, std::int32_t> mEstablishingConnection;
    zel::Event<int, std::int32_t> mConnected;
    zel::Event<int, std::int32_t> mConnectionFailed;
    zel::Event<int, ReaderPtr> mConnectingToReader;
    zel::Event<int, ReaderPtr> mReaderFound;
    zel::Event<int, ReaderPtr> mReaderNotFound;
    zel::Event<int, UserPtr> mSendingUser;
    zel::Event<int, ReaderPtr> mReaderUploadComplete;
    zel::Event<int, std::int32_t> mDisconnecting;
    zel::Event<> mBeginSynchornize;
    zel::Event<> mEndSynchronize;
    zel::Event<> mAborted;
};

} // namespace zel::workflows
