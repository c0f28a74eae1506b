#pragma once
// Collects the clocks' event logs into the site database.

#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/ClockResult.h"
#include "zel/workflows/ClockRunner.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {
class EventStore;
class ReaderDescription;
struct StoredCollection;
struct ClockCollectionSummary;
} // namespace zel::data
namespace zel::support {
class IReader;
}

namespace zel::workflows {

// What one clock's collection did, and its reconciliation: every event the clock logged since the
// last collection is either stored (New), was stored before (Known) or is counted Lost. Result.Count
// is the number of new events. The site keeps it (EventStore::AddCollection).
struct EventCollection {
    ClockResult Result;
    std::int32_t New = 0;   // events stored now
    std::int32_t Known = 0; // events read that the site already held
    bool Wrapped = false;   // the log no longer reaches back to the last event stored before
    // Told by a clock that numbers its events (our ReadDataLog); -1 / 0 for one that does not.
    std::int64_t Held = -1;    // events its log held when the collection began
    std::int64_t Capacity = 0; // events its log holds at most
    std::int64_t Unread = 0;   // of the events held, those the site had not collected before
    // Events logged after the last collection that the log overwrote (or lost to a clear) before
    // this one: their number (-1: some, the clock cannot tell how many) and the time span they lie
    // in (the clock's time stamps of the last event collected before and of the oldest one held).
    std::int64_t Lost = 0;
    std::string LostFrom;
    std::string LostTo;
};

// The clocks whose log was close to wrapping (more than 80 % not collected) when they were last
// collected, by name: they are not collected often enough.
std::vector<std::string> ClocksCloseToWrapping(const std::vector<zel::data::ClockCollectionSummary>& summary);

// Reads each chosen clock's log onward from where the last collection stopped and stores what it
// reads in the Events table of the calling thread's site database, each event with the name its
// user has in the thread's user list at that moment (so that the event names a user removed from
// the site later). The site may be open to append only (OpenMode::Append), beside the program
// that holds it. Each clock's collection is kept with its reconciliation (EventStore::AddCollection).
//
// Run reads the channels side by side (ClockRunner on worker threads); everything the site database
// sees goes through the calling thread, and the events of many clocks are committed together (every
// 100 ms), so 1,000 clocks do not cost 1,000 commits. A clock's result is told once its events are
// committed. Collect, for one clock at hand, commits after every answer of the clock.
//
// How one clock is read: a clock that numbers its events (ReadDataLog) is read from the event after
// the last one the site stored (the serial number kept with the last collection; from the oldest
// the first time), up to 64 events an answer after one selection: one read per event. An event
// read and not yet committed (a dropped link, a killed program) is read again next time, since the
// serial number kept moves only with the commit. The serial numbers tell how many events the log
// lost in between. A clock that does not know the command is read the older way:
// first it walks back with "previous" until it meets an event the site
// holds (or the start of the log); then it reads "next" up to the first empty element. So the
// events that an earlier collection read but did not store (a dropped link, an error, a killed
// program) are read again, and nothing is stored twice (the table's key). Events are committed
// every BatchSize events, before the clock is asked for more. When the walk back reaches the
// start of the log without meeting a stored event although the site holds events of that clock,
// and the oldest event of the log is new, the log has wrapped (or was cleared) past them:
// Wrapped is set and Detail says that events may be missing.
//
// Holds the channel maker, the batch size and the cancel flag. How it fails: a read-only site is
// refused before any clock is asked (error 3027 from the site database, raised by Run). For a
// clock, an error commits what was read and marks the clock Failed (see ClockRunner); Cancel
// stops the clock at hand after its current read, commits, and marks it Cancelled.
class EventCollector {
public:
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;
    // Told after each committed batch: the clock, events new and known so far.
    using Progress = std::function<void(const ReaderPtr& clock, std::int32_t newEvents, std::int32_t known)>;
    using Stage = std::function<void(const ReaderPtr& clock, const std::string& stage)>;
    using Finished = std::function<void(const EventCollection& collection)>;

    static constexpr int DefaultBatchSize = 50;

    explicit EventCollector(ChannelMaker makeChannel = DefaultChannelMaker());

    // One result per distinct clock, in the order ClockRunner reaches them.
    std::vector<EventCollection> Run(const std::vector<ReaderPtr>& clocks);

    // Collects one clock through a reader at hand (selected by the reader itself) into `store`.
    // Raises what the reader raises, after committing what was read; `result` holds the counts.
    void Collect(zel::support::IReader& reader, const ReaderPtr& clock, zel::data::EventStore& store,
                 EventCollection& result);

    void SetBatchSize(int size) { mBatchSize = size < 1 ? 1 : size; }
    void SetProgress(Progress progress) { mProgress = std::move(progress); }
    void SetStage(Stage stage) { mStage = std::move(stage); }
    void SetFinished(Finished finished) { mFinished = std::move(finished); }
    // May be called from any thread.
    void Cancel() noexcept;
    bool CancelRequested() const noexcept { return mCancel; }
    // Why the last Run's rows could not be written to the site's audit trail ("" when they
    // were). Run logs one "events-collect" row per clock once every clock's outcome is known.
    const std::string& AuditFailure() const { return mAuditFailure; }

public:
    class Site; // the way to the site database from the thread that reads a clock (see the source)

private:
    void CollectThrough(Site& site, zel::support::IReader& reader, const ReaderPtr& clock, EventCollection& result);
    // The two ways of reading. ReadBySerial returns false, having read nothing, when the clock does
    // not offer ReadDataLog.
    bool ReadBySerial(Site& site, zel::support::IReader& reader, const ReaderPtr& clock, EventCollection& result,
                      zel::data::StoredCollection& row);
    void ReadByCursor(Site& site, zel::support::IReader& reader, const ReaderPtr& clock, EventCollection& result);

    ChannelMaker mMakeChannel;
    std::string mAuditFailure;
    int mBatchSize = DefaultBatchSize;
    Progress mProgress;
    Stage mStage;
    Finished mFinished;
    std::atomic<bool> mCancel{false};
    std::atomic<ClockRunner*> mRunner{nullptr}; // during Run
};

} // namespace zel::workflows
