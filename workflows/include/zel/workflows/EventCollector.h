#pragma once
// Collects the clocks' event logs into the site database.

#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/ClockResult.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {
class EventStore;
class ReaderDescription;
} // namespace zel::data
namespace zel::support {
class IReader;
}

namespace zel::workflows {

// What one clock's collection did. Result.Count is the number of new events.
struct EventCollection {
    ClockResult Result;
    std::int32_t New = 0;   // events stored now
    std::int32_t Known = 0; // events read that the site already held
    bool Wrapped = false;   // the log no longer reaches back to the last event stored before
};

// Reads each chosen clock's log onward from where the last collection stopped and stores what it
// reads in the Events table of the calling thread's site database, each event with the name its
// user has in the thread's user list at that moment (so that the event names a user removed from
// the site later). The site may be open to append only (OpenMode::Append), beside the program
// that holds it.
//
// How one clock is read: first it walks back with "previous" until it meets an event the site
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
    void Cancel() noexcept { mCancel = true; }
    bool CancelRequested() const noexcept { return mCancel; }
    // Why the last Run's rows could not be written to the site's audit trail ("" when they
    // were). Run logs one "events-collect" row per clock once every clock's outcome is known.
    const std::string& AuditFailure() const { return mAuditFailure; }

private:
    ChannelMaker mMakeChannel;
    std::string mAuditFailure;
    int mBatchSize = DefaultBatchSize;
    Progress mProgress;
    Stage mStage;
    Finished mFinished;
    std::atomic<bool> mCancel{false};
};

} // namespace zel::workflows
