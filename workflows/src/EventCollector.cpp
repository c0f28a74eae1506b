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
#include "zel/workflows/ClockRunner.h"
#include "zel/workflows/EventKinds.h"

#include <cstdio>
#include <map>
#include <set>
#include <tuple>

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

} // namespace

EventCollector::EventCollector(ChannelMaker makeChannel) : mMakeChannel(std::move(makeChannel)) {}

void EventCollector::Collect(zel::support::IReader& reader, const ReaderPtr& clock, zel::data::EventStore& store,
                             EventCollection& result)
{
    const std::string collectedAt = TimeText(zel::DateTime::Now());
    // Each event keeps its user's name as the site knows it now: payroll still names a user
    // removed from the site later.
    const auto users = zel::data::DataSource().GetUserDescriptionList();
    auto named = [&](zel::data::StoredEvent event) {
        if (!event.UserID.empty() && users->Contains(event.UserID))
            event.UserName = users->Item(event.UserID)->Name();
        return event;
    };
    const bool storedBefore = store.CountForClock(clock->DatabaseID()) > 0;
    auto report = [&](const std::string& stage) {
        if (mStage)
            mStage(clock, stage);
    };

    // Back to the last event the site holds, or to the start of the log.
    report("looking for the last collected event");
    bool metStored = false;
    while (!mCancel) {
        auto element = reader.GetPreviousDataLogElement();
        if (element->IsEmpty())
            break;
        if (store.Contains(ToStored(*element, clock, collectedAt))) {
            metStored = true;
            break;
        }
    }

    // Onward to the first empty element, committing every batch before reading more.
    report("reading events");
    std::vector<zel::data::StoredEvent> batch;
    std::set<Key> inBatch; // a log may hold an event twice; the second counts as known
    bool first = true;
    auto commit = [&] {
        if (batch.empty())
            return;
        const int added = store.Add(batch);
        result.New += added;
        result.Known += static_cast<std::int32_t>(batch.size()) - added;
        result.Result.Count = result.New;
        batch.clear();
        inBatch.clear();
        if (mProgress)
            mProgress(clock, result.New, result.Known);
    };
    try {
        while (!mCancel) {
            auto element = reader.GetNextDataLogElement();
            if (element->IsEmpty())
                break;
            auto event = named(ToStored(*element, clock, collectedAt));
            if (first) {
                first = false;
                result.Wrapped = storedBefore && !metStored && !store.Contains(event);
            }
            if (!inBatch.insert(KeyOf(event)).second) {
                ++result.Known;
                continue;
            }
            batch.push_back(std::move(event));
            if (static_cast<int>(batch.size()) >= mBatchSize)
                commit();
        }
        commit();
    } catch (...) {
        // What was read is kept; the next collection walks back over what this one missed.
        try {
            commit();
        } catch (...) {
        }
        throw;
    }

    if (mCancel) {
        result.Result.Outcome = ClockOutcome::Cancelled;
        result.Result.Detail = "Cancelled after " + std::to_string(result.New) +
                               " new events; the next collection "
                               "goes on from there.";
    } else {
        result.Result.Detail =
            std::to_string(result.New) + " new, " + std::to_string(result.Known) + " already collected";
    }
    if (result.Wrapped)
        result.Result.Detail += ". The clock's log no longer reaches back to the last collected event: events "
                                "logged in between were overwritten or cleared and are missing";
}

std::vector<EventCollection> EventCollector::Run(const std::vector<ReaderPtr>& clocks)
{
    zel::data::EventStore store;
    store.CheckWritable();
    zel::data::DataSource().GetUserDescriptionList(); // a site whose users cannot load fails here, once

    std::map<std::int32_t, EventCollection> counts;
    ClockRunner runner(mMakeChannel);
    if (mStage)
        runner.SetProgress(mStage);
    std::vector<EventCollection> out;
    runner.SetFinished([&](const ClockResult& r) {
        EventCollection c = counts[r.Clock->DatabaseID()];
        c.Result = r;
        if (mFinished)
            mFinished(c);
    });
    auto results = runner.Run(clocks, [&](zel::support::IReader& reader, zel::support::Channel&, const ReaderPtr& clock,
                                          ClockResult& result) {
        EventCollection& c = counts[clock->DatabaseID()];
        c.Result = result;
        try {
            Collect(reader, clock, store, c);
        } catch (...) {
            result.Count = c.New;
            throw;
        }
        result = c.Result;
    });
    for (auto& r : results) {
        EventCollection c = counts[r.Clock->DatabaseID()];
        c.Result = r;
        if (r.Outcome == ClockOutcome::Failed)
            c.Result.Detail += " (" + std::to_string(c.New) + " new events were stored before it)";
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
