#include "zel/workflows/EventCollector.h"

#include "zel/workflows/AuditTrail.h"

#include "zel/DateTime.h"
#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/DataLogElement.h"
#include "zel/support/IReader.h"
#include "zel/support/ZelErrors.h"
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/EventKinds.h"
#include "zel/workflows/ParallelGroups.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

namespace zel::workflows {

namespace {

std::string TimeText(const zel::DateTime& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.Year(), t.Month(), t.Day(), t.Hour(),
                  t.Minute(), t.Second());
    return text;
}

zel::data::StoredEvent ToStored(const zel::support::DataLogElement& element, const EventCollector::ReaderPtr& clock,
                                const std::string& collectedAt)
{
    zel::data::StoredEvent e;
    e.ClockID = clock->DatabaseID();
    e.ClockName = clock->Name();
    const auto& record = element.Record();
    e.ReaderID = record[0];
    e.TimeStamp = TimeText(element.TimeStamp());
    e.FormatType = static_cast<std::int32_t>(element.FormatType());
    for (std::size_t i = 0; i < e.Data1.size(); ++i)
        e.Data1[i] = record[12 + i];
    for (std::size_t i = 0; i < e.Data2.size(); ++i)
        e.Data2[i] = record[20 + i];
    e.UserID = EventUserID(e.FormatType, e.Data1);
    e.CollectedAt = collectedAt;
    return e;
}

using Key = std::tuple<std::string, std::int32_t, std::array<std::uint8_t, 6>, std::array<std::uint8_t, 8>>;

Key KeyOf(const zel::data::StoredEvent& e)
{
    return {e.TimeStamp, e.FormatType, e.Data1, e.Data2};
}

bool NotOffered(const zel::Error& e)
{
    // The clock answers an unknown command with "Channel Communication Error"; a clock library
    // of an older version lacks the entry point (453).
    return e.Number() == static_cast<std::int32_t>(zel::support::ZelErrors::ComError) || e.Number() == 453;
}

// Leaves out the second of two equal events of one hand-over (a log may hold an event twice): it
// counts as known.
std::int32_t DropRepeats(std::vector<zel::data::StoredEvent>& events)
{
    std::set<Key> keys;
    const auto before = events.size();
    events.erase(std::remove_if(events.begin(), events.end(),
                                [&](const zel::data::StoredEvent& e) { return !keys.insert(KeyOf(e)).second; }),
                 events.end());
    return static_cast<std::int32_t>(before - events.size());
}

} // namespace

// The way to the site database from the thread that reads a clock. Queries wait for their answer;
// events handed over are stored, each with the name its user has in the site's list, and counted
// new or known in the clock's EventCollection of the site's thread.
class EventCollector::Site {
public:
    virtual ~Site() = default;
    virtual void Query(const std::function<void(zel::data::EventStore&)>& query) = 0;
    virtual void Store(const ReaderPtr& clock, std::vector<zel::data::StoredEvent> events) = 0;
    // After a Store, once the caller has noted what it handed over: tells the progress where it is
    // told at once.
    virtual void Stored(const ReaderPtr& clock) = 0;
    // The collection's row, its New and Known filled in when its events are stored.
    virtual void Keep(const ReaderPtr& clock, zel::data::StoredCollection row) = 0;
    // Tells the stage of a clock's collection on the site's thread.
    virtual void Tell(const ReaderPtr& clock, const std::string& stage) = 0;
};

namespace {

using UsersPtr = std::shared_ptr<zel::data::UserDescriptionList>;

void Name(std::vector<zel::data::StoredEvent>& events, const UsersPtr& users)
{
    for (auto& event : events)
        if (!event.UserID.empty() && users->Contains(event.UserID))
            event.UserName = users->Item(event.UserID)->Name();
}

void Count(EventCollection& counts, const zel::data::CollectionWrite& write, std::int32_t repeats)
{
    counts.New += write.Inserted;
    counts.Known += static_cast<std::int32_t>(write.Events.size()) - write.Inserted + repeats;
    counts.Result.Count = counts.New;
}

void FillRow(zel::data::StoredCollection& row, const EventCollection& counts)
{
    row.New = counts.New;
    row.Known = counts.Known;
}

// On the site's own thread: every hand-over is committed at once.
class DirectSite : public EventCollector::Site {
public:
    DirectSite(zel::data::EventStore& store, EventCollection& counts, std::function<void()> told,
               const EventCollector::Stage& stage)
        : mStore(store), mCounts(counts), mTold(std::move(told)), mStage(stage),
          mUsers(zel::data::DataSource().GetUserDescriptionList())
    {
    }
    void Tell(const EventCollector::ReaderPtr& clock, const std::string& stage) override
    {
        if (mStage)
            mStage(clock, stage);
    }
    void Query(const std::function<void(zel::data::EventStore&)>& query) override { query(mStore); }
    void Store(const EventCollector::ReaderPtr&, std::vector<zel::data::StoredEvent> events) override
    {
        if (events.empty())
            return;
        const auto repeats = DropRepeats(events);
        Name(events, mUsers);
        std::vector<zel::data::CollectionWrite> writes(1);
        writes[0].Events = std::move(events);
        mStore.Write(writes, {});
        Count(mCounts, writes[0], repeats);
    }
    void Stored(const EventCollector::ReaderPtr&) override
    {
        if (mTold)
            mTold();
    }
    void Keep(const EventCollector::ReaderPtr&, zel::data::StoredCollection row) override
    {
        FillRow(row, mCounts);
        mStore.AddCollection(row);
    }

private:
    zel::data::EventStore& mStore;
    EventCollection& mCounts;
    std::function<void()> mTold;
    const EventCollector::Stage& mStage;
    UsersPtr mUsers;
};

// For clocks read on worker threads: queries run on the site's thread; hand-overs are queued there
// and committed together when DeliverAt has passed (or at the end), and the results of clocks whose
// rows were queued are told after that commit.
class QueuedSite : public EventCollector::Site {
public:
    using Counts = std::map<std::int32_t, EventCollection>;
    QueuedSite(ClockRunner& runner, zel::data::EventStore& store, Counts& counts,
               const EventCollector::Progress& progress)
        : mRunner(runner), mStore(store), mCounts(counts), mProgress(progress),
          mUsers(zel::data::DataSource().GetUserDescriptionList())
    {
    }
    void Query(const std::function<void(zel::data::EventStore&)>& query) override
    {
        mRunner.Call([&] { query(mStore); });
    }
    void Tell(const EventCollector::ReaderPtr& clock, const std::string& stage) override { mRunner.Tell(clock, stage); }
    void Store(const EventCollector::ReaderPtr& clock, std::vector<zel::data::StoredEvent> events) override
    {
        if (events.empty())
            return;
        mRunner.Post([this, clock, moved = std::move(events)]() mutable {
            Item item{clock, {}, 0};
            item.Repeats = DropRepeats(moved);
            item.Write.Events = std::move(moved);
            mQueue.push_back(std::move(item));
            mEvents += mQueue.back().Write.Events.size();
            FlushIfDue();
        });
    }
    void Stored(const EventCollector::ReaderPtr&) override {} // told when committed
    void Keep(const EventCollector::ReaderPtr& clock, zel::data::StoredCollection row) override
    {
        mRunner.Post([this, clock, row = std::move(row)] {
            Item item{clock, {}, 0};
            item.Write.Row = row;
            mQueue.push_back(std::move(item));
            FlushIfDue();
        });
    }
    // A clock's result, told once what its collection handed over is committed.
    void Finish(std::function<void()> tell)
    {
        if (mQueue.empty())
            tell();
        else
            mWaiting.push_back(std::move(tell));
    }
    void FlushIfDue()
    {
        if (mEvents >= FlushEvents || std::chrono::steady_clock::now() - mLastFlush >= FlushEvery)
            Flush();
    }
    void Flush()
    {
        mLastFlush = std::chrono::steady_clock::now();
        if (mBroken) {
            // After a failed commit nothing more is written: a later row must not name events
            // that were never stored. Run raises the first error.
            mQueue.clear();
            mWaiting.clear();
            return;
        }
        if (!mQueue.empty()) {
            std::vector<zel::data::CollectionWrite> writes;
            writes.reserve(mQueue.size());
            for (auto& item : mQueue) {
                Name(item.Write.Events, mUsers);
                writes.push_back(std::move(item.Write));
            }
            std::size_t at = 0;
            std::set<std::int32_t> touched;
            mBroken = true; // until the commit returns
            mStore.Write(writes, [&](zel::data::CollectionWrite& write) {
                const Item& item = mQueue[at++];
                EventCollection& counts = mCounts[item.Clock->DatabaseID()];
                Count(counts, write, item.Repeats);
                if (write.Row)
                    FillRow(*write.Row, counts);
                else
                    touched.insert(item.Clock->DatabaseID());
            });
            mBroken = false;
            if (mProgress)
                for (std::size_t i = 0; i < mQueue.size(); ++i)
                    if (touched.erase(mQueue[i].Clock->DatabaseID()) > 0) {
                        const auto& counts = mCounts[mQueue[i].Clock->DatabaseID()];
                        mProgress(mQueue[i].Clock, counts.New, counts.Known);
                    }
            mQueue.clear();
            mEvents = 0;
        }
        auto waiting = std::move(mWaiting);
        mWaiting.clear();
        for (auto& tell : waiting)
            tell();
    }

private:
    static constexpr std::size_t FlushEvents = 500; // a commit of more holds the window up too long
    static constexpr auto FlushEvery = std::chrono::milliseconds(100);

    struct Item {
        EventCollector::ReaderPtr Clock;
        zel::data::CollectionWrite Write;
        std::int32_t Repeats = 0;
    };

    ClockRunner& mRunner;
    zel::data::EventStore& mStore;
    Counts& mCounts;
    const EventCollector::Progress& mProgress;
    UsersPtr mUsers;
    std::vector<Item> mQueue;
    std::size_t mEvents = 0;
    std::vector<std::function<void()>> mWaiting;
    bool mBroken = false;
    std::chrono::steady_clock::time_point mLastFlush = std::chrono::steady_clock::now();
};

// The outcome text of a clock's collection, from its final counts.
void Describe(EventCollection& c, bool cancelled)
{
    if (c.Result.Outcome == ClockOutcome::Failed) {
        c.Result.Detail += " (" + std::to_string(c.New) + " new events were stored before it)";
        return;
    }
    if (c.Result.Outcome != ClockOutcome::Done && c.Result.Outcome != ClockOutcome::Cancelled)
        return;
    if (cancelled) {
        c.Result.Outcome = ClockOutcome::Cancelled;
        c.Result.Detail = "Cancelled after " + std::to_string(c.New) +
                          " new events; the next collection "
                          "goes on from there.";
    } else {
        c.Result.Detail = std::to_string(c.New) + " new, " + std::to_string(c.Known) + " already collected";
    }
    if (c.Lost > 0)
        c.Result.Detail += ". " + std::to_string(c.Lost) +
                           " events were lost: the clock's log wrapped before they were collected (logged between " +
                           (c.LostFrom.empty() ? std::string("its start") : c.LostFrom) + " and " +
                           (c.LostTo.empty() ? std::string("now") : c.LostTo) + ")";
    else if (c.Lost < 0)
        c.Result.Detail += ". The clock's log no longer reaches back to the last collected event: events "
                           "logged in between were overwritten or cleared and are missing";
}

// What the reading told, beside the counts the site's thread keeps.
void TakeReading(EventCollection& into, const EventCollection& reading)
{
    into.Held = reading.Held;
    into.Capacity = reading.Capacity;
    into.Unread = reading.Unread;
    into.Lost = reading.Lost;
    into.LostFrom = reading.LostFrom;
    into.LostTo = reading.LostTo;
    into.Wrapped = reading.Lost != 0;
}

} // namespace

std::vector<std::string> ClocksCloseToWrapping(const std::vector<zel::data::ClockCollectionSummary>& summary)
{
    std::vector<std::string> names;
    for (const auto& clock : summary)
        if (zel::support::CloseToWrapping(static_cast<std::uint64_t>(std::max<std::int64_t>(clock.Last.Unread, 0)),
                                          static_cast<std::uint64_t>(std::max<std::int64_t>(clock.Last.Capacity, 0))))
            names.push_back(clock.Last.ClockName);
    return names;
}

EventCollector::EventCollector(ChannelMaker makeChannel) : mMakeChannel(std::move(makeChannel)) {}

void EventCollector::Cancel() noexcept
{
    mCancel = true;
    if (ClockRunner* runner = mRunner.load())
        runner->Cancel(); // the clocks not reached yet are told Cancelled
}

void EventCollector::Collect(zel::support::IReader& reader, const ReaderPtr& clock, zel::data::EventStore& store,
                             EventCollection& result)
{
    DirectSite site(
        store, result,
        [&] {
            if (mProgress)
                mProgress(clock, result.New, result.Known);
        },
        mStage);
    CollectThrough(site, reader, clock, result);
    result.Wrapped = result.Lost != 0;
    Describe(result, mCancel);
}

void EventCollector::CollectThrough(Site& site, zel::support::IReader& reader, const ReaderPtr& clock,
                                    EventCollection& result)
{
    zel::data::StoredCollection row;
    row.ClockID = clock->DatabaseID();
    row.ClockName = clock->Name();
    row.CollectedAt = TimeText(zel::DateTime::Now());
    auto keep = [&](const char* outcome) {
        row.Outcome = outcome;
        row.Held = std::max<std::int64_t>(result.Held, 0);
        row.Capacity = result.Capacity;
        row.Unread = result.Unread;
        row.Lost = result.Lost;
        row.LostFrom = result.LostFrom;
        row.LostTo = result.LostTo;
        site.Keep(clock, row);
    };
    try {
        if (!ReadBySerial(site, reader, clock, result, row))
            ReadByCursor(site, reader, clock, result);
    } catch (...) {
        try {
            keep("failed");
        } catch (...) { // NOLINT(bugprone-empty-catch): the clock's error is the one to report
        }
        throw;
    }
    keep(mCancel ? "cancelled" : "done");
}

bool EventCollector::ReadBySerial(Site& site, zel::support::IReader& reader, const ReaderPtr& clock,
                                  EventCollection& result, zel::data::StoredCollection& row)
{
    const std::string collectedAt = row.CollectedAt;
    std::optional<zel::data::StoredCollection> previous;
    site.Query([&](zel::data::EventStore& store) { previous = store.LastSerialCollection(clock->DatabaseID()); });
    std::uint32_t after = previous ? static_cast<std::uint32_t>(previous->LastSerial) : 0;
    row.LastSerial = previous ? previous->LastSerial : -1;
    row.LastTimeStamp = previous ? previous->LastTimeStamp : std::string();
    site.Tell(clock, "reading events");

    bool answered = false;
    bool restart = false;
    auto step = [&](const zel::support::DataLogRead& read) {
        const auto& state = read.State;
        std::vector<zel::data::StoredEvent> events;
        events.reserve(read.Records.size());
        for (const auto& record : read.Records)
            events.push_back(ToStored(zel::support::DataLogElement(record), clock, collectedAt));
        if (!answered) {
            answered = true;
            if (after != 0 && after >= state.NextSerial) {
                // The clock counts lower than the site saw it: a clock reset or put in another's
                // place. Its log is read whole again.
                restart = true;
                return false;
            }
            result.Held = state.Held();
            result.Capacity = state.Capacity;
            result.Unread = state.UnreadAfter(after);
            if (after != 0 && state.FirstSerial > after + 1) {
                // Overwritten (or cleared) before anybody read them.
                result.Lost = state.FirstSerial - after - 1;
                result.LostFrom = row.LastTimeStamp;
                result.LostTo = events.empty() ? std::string() : events.front().TimeStamp;
            } else if (after == 0 && !events.empty()) {
                // Collected before serial numbers were kept: does the log still reach back to the
                // events the site holds?
                site.Query([&](zel::data::EventStore& store) {
                    if (store.CountForClock(clock->DatabaseID()) == 0 || store.Contains(events.front()))
                        return;
                    zel::data::EventFilter mine;
                    mine.ClockIDs = {clock->DatabaseID()};
                    const auto newest = store.PageAfter(mine, std::nullopt, 1);
                    result.Lost = -1;
                    result.LostFrom = newest.empty() ? std::string() : newest.front().TimeStamp;
                    result.LostTo = events.front().TimeStamp;
                });
            }
        }
        if (!events.empty()) {
            const std::string lastTime = events.back().TimeStamp;
            site.Store(clock, std::move(events));
            // Only what was handed over counts as collected: the row written after an error
            // names the last event stored.
            row.LastSerial = read.State.FirstReadSerial + read.Records.size() - 1;
            row.LastTimeStamp = lastTime;
            site.Stored(clock);
        }
        return !mCancel;
    };
    try {
        reader.ReadDataLogAfter(after, step);
        if (restart) {
            after = 0;
            answered = false;
            reader.ReadDataLogAfter(0, step);
        }
    } catch (const zel::Error& e) {
        if (!answered && NotOffered(e))
            return false;
        throw;
    }
    return true;
}

void EventCollector::ReadByCursor(Site& site, zel::support::IReader& reader, const ReaderPtr& clock,
                                  EventCollection& result)
{
    const std::string collectedAt = TimeText(zel::DateTime::Now());
    bool storedBefore = false;
    site.Query([&](zel::data::EventStore& store) { storedBefore = store.CountForClock(clock->DatabaseID()) > 0; });
    auto report = [&](const std::string& stage) { site.Tell(clock, stage); };

    // Back to the last event the site holds, or to the start of the log.
    report("looking for the last collected event");
    bool metStored = false;
    while (!mCancel) {
        auto element = reader.GetPreviousDataLogElement();
        if (element->IsEmpty())
            break;
        site.Query(
            [&](zel::data::EventStore& store) { metStored = store.Contains(ToStored(*element, clock, collectedAt)); });
        if (metStored)
            break;
    }

    // Onward to the first empty element, handing over every batch before reading more.
    report("reading events");
    std::vector<zel::data::StoredEvent> batch;
    bool first = true;
    try {
        while (!mCancel) {
            auto element = reader.GetNextDataLogElement();
            if (element->IsEmpty())
                break;
            auto event = ToStored(*element, clock, collectedAt);
            if (first) {
                first = false;
                bool known = false;
                site.Query([&](zel::data::EventStore& store) { known = store.Contains(event); });
                if (storedBefore && !metStored && !known)
                    result.Lost = -1;
            }
            batch.push_back(std::move(event));
            if (static_cast<int>(batch.size()) >= mBatchSize) {
                site.Store(clock, std::exchange(batch, {}));
                site.Stored(clock);
            }
        }
    } catch (...) {
        // What was read is kept; the next collection walks back over what this one missed.
        try {
            site.Store(clock, std::move(batch));
        } catch (...) { // NOLINT(bugprone-empty-catch): the first error is the one to report
        }
        throw;
    }
    site.Store(clock, std::move(batch));
    site.Stored(clock);
}

std::vector<EventCollection> EventCollector::Run(const std::vector<ReaderPtr>& clocks)
{
    zel::data::EventStore store;
    store.CheckWritable();
    zel::data::DataSource().GetUserDescriptionList(); // a site whose users cannot load fails here, once

    QueuedSite::Counts counts;   // on this thread: what was stored per clock
    QueuedSite::Counts readings; // on the workers, one entry per clock: what its log told
    for (const auto& clock : clocks) {
        readings[clock->DatabaseID()];
        counts[clock->DatabaseID()];
    }
    ClockRunner runner(mMakeChannel);
    runner.SetMaxChannels(ParallelGroups::DefaultMaxChannels);
    if (mCancel)
        runner.Cancel();
    mRunner = &runner;
    struct Forget {
        std::atomic<ClockRunner*>& Runner;
        ~Forget() { Runner = nullptr; }
    } forget{mRunner};
    if (mStage)
        runner.SetProgress(mStage);
    QueuedSite site(runner, store, counts, mProgress);
    runner.SetIdle([&] { site.FlushIfDue(); });
    runner.SetFinished([&](const ClockResult& r) {
        site.Finish([&, r] {
            if (!mFinished)
                return;
            EventCollection c = counts[r.Clock->DatabaseID()];
            c.Result = r;
            c.Result.Count = c.New;
            TakeReading(c, readings.at(r.Clock->DatabaseID()));
            Describe(c, r.Outcome == ClockOutcome::Cancelled || (r.Outcome == ClockOutcome::Done && mCancel));
            mFinished(c);
        });
    });
    auto results = runner.Run(
        clocks, [&](zel::support::IReader& reader, zel::support::Channel&, const ReaderPtr& clock, ClockResult&) {
            CollectThrough(site, reader, clock, readings.at(clock->DatabaseID()));
        });
    site.Flush();
    std::vector<EventCollection> out;
    for (auto& r : results) {
        EventCollection c = counts[r.Clock->DatabaseID()];
        c.Result = r;
        c.Result.Count = c.New;
        TakeReading(c, readings.at(r.Clock->DatabaseID()));
        Describe(c, r.Outcome == ClockOutcome::Cancelled || (r.Outcome == ClockOutcome::Done && mCancel));
        out.push_back(std::move(c));
    }
    // One row per clock, once every clock's outcome is known.
    std::vector<zel::data::AuditEntry> rows;
    for (const auto& c : out)
        rows.push_back(AuditTrail::EntryOf("events-collect", c.Result, {},
                                           std::to_string(c.New) + " new, " + std::to_string(c.Known) + " known" +
                                               (c.Wrapped ? ", the log had wrapped" : "")));
    mAuditFailure = AuditTrail().Write(std::move(rows));
    return out;
}

} // namespace zel::workflows
