#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zel::data {

class IStore;

// One event of a clock's log as the site keeps it. Time stamps are the clock's own local time,
// written "YYYY-MM-DD HH:MM:SS"; CollectedAt is this machine's local time of the collection.
struct StoredEvent {
    std::int64_t ID = 0;         // the row ID (0 before it is stored)
    std::int32_t ClockID = 0;    // Readers.ID of the clock
    std::string ClockName;       // the clock's name when the event was collected
    std::int32_t ReaderID = 0;   // the reader ID the clock logged
    std::string TimeStamp;       // the clock's time stamp
    std::int32_t FormatType = 0; // FormatTypeEnum value
    std::array<std::uint8_t, 6> Data1{};
    std::array<std::uint8_t, 8> Data2{};
    std::string UserID; // empty when the kind of event carries no user ID
    std::string CollectedAt;
    // The user's name when the event was collected (kept with the event, so that it outlives the
    // user's removal from the site); empty when none is given. Read back: that name, else (events
    // collected without one) the name of the site's user with UserID now, if any.
    std::string UserName;
};

// One clock's collection as the site keeps it (the EventCollections table): what the clock's log
// held, what was stored new, what was read again, and what was lost because the log wrapped (or
// was cleared) before it was collected.
struct StoredCollection {
    std::int64_t ID = 0;
    std::int32_t ClockID = 0;
    std::string ClockName;
    std::string CollectedAt; // this machine's local time, "YYYY-MM-DD HH:MM:SS"
    std::string Outcome;     // "done", "failed", "cancelled", ...
    std::int64_t Held = 0;   // events the clock's log held when the collection began
    std::int64_t Capacity = 0;
    std::int64_t Unread = 0; // of them, not read before (after the clock's cursor)
    std::int64_t New = 0;    // events stored new
    std::int64_t Known = 0;  // events read again that the site held
    std::int64_t Lost = 0;   // events overwritten before they were collected; -1: some, number unknown
    std::string LostFrom;    // the time span the lost events lie in (clock time stamps), when Lost != 0
    std::string LostTo;
    std::int64_t LastSerial = -1; // the clock's serial number of the last event stored; -1: none told
    std::string LastTimeStamp;    // the time stamp of that event
};

// One clock's share of EventStore::Write: events read from it, then, when set, its collection's
// row. Inserted tells how many of the events were new.
struct CollectionWrite {
    std::vector<StoredEvent> Events;
    std::optional<StoredCollection> Row;
    int Inserted = 0;
};

// Per clock, what its collections have told so far (the newest collection's figures, and the
// sums over all of them).
struct ClockCollectionSummary {
    StoredCollection Last;
    std::int64_t Collections = 0;
    std::int64_t LostEver = 0;    // events lost over all collections (known numbers)
    bool LostUnknownEver = false; // some collection lost events it could not count
    bool EverLost() const { return LostEver > 0 || LostUnknownEver; }
};

// Which stored events a list, a count or an export covers. Empty fields do not filter.
struct EventFilter {
    std::string Since;                  // time stamps from (inclusive), "YYYY-MM-DD[ HH:MM:SS]"
    std::string Until;                  // up to (inclusive; a date alone means the whole day)
    std::vector<std::int32_t> ClockIDs; // Readers.ID
    std::string UserID;                 // exactly this user ID
    std::vector<std::int32_t> FormatTypes;
};

// Where a page of events newest first stopped: the time stamp and row ID of its last event. The
// next page starts after it, so a page deep in a large table costs what the first one costs.
struct EventCursor {
    std::string TimeStamp;
    std::int64_t ID = 0;
};

// The Events table of the thread's site database: the events collected from the clocks' logs.
//
// Holds the thread's connection (see DataSource: every thread has its own). The table is made
// when a site is opened for writing or appending; on a read-only site that lacks it, lists and
// counts are empty. An event is stored once: (clock, time stamp, format type, Data1, Data2) is
// unique, and adding an event the table holds counts it as known (it keeps what it was stored
// with, its user's name too). Events are appended also by a connection opened to append
// (OpenMode::Append), beside the program that writes the site's lists.
//
// How it fails: raises zel::Error as the rest of the site database does: 91 when the thread has
// no site open, 3704 when it is closed, 3027 (with the reason) for a write on a read-only site,
// engine errors otherwise (on a file, "database is locked" when another program's transaction
// held it for longer than the wait). A failed Add stores none of its events.
class EventStore {
public:
    // The store of the calling thread's site database connection.
    EventStore();
    explicit EventStore(std::shared_ptr<IStore> store);

    // Raises 3027 when the site takes no events: opened read-only (before any clock is asked for
    // anything).
    void CheckWritable() const;

    // Stores the events in one transaction; returns how many were new (the rest were known).
    int Add(const std::vector<StoredEvent>& events);
    // True when the event (clock, time stamp, format type, Data1, Data2) is stored.
    bool Contains(const StoredEvent& event) const;
    // How many events of this clock are stored.
    std::int64_t CountForClock(std::int32_t clockID) const;

    std::int64_t Count(const EventFilter& filter) const;
    // Newest first (time stamp, then row ID, both descending); `offset` rows skipped.
    std::vector<StoredEvent> Page(const EventFilter& filter, std::int64_t offset, int limit) const;
    // The `limit` events that follow `after` newest first (from the newest when `after` is empty).
    // Pages read this way stay as quick deep in the table as at its start.
    std::vector<StoredEvent> PageAfter(const EventFilter& filter, const std::optional<EventCursor>& after,
                                       int limit) const;
    // Every event the filter covers, newest first, without holding them all at once.
    void ForEach(const EventFilter& filter, const std::function<void(const StoredEvent&)>& onEvent) const;

    // Keeps one clock's collection (the table is made at the first one).
    void AddCollection(const StoredCollection& collection);
    // Stores the writes of many clocks in one transaction, in order: each one's events (setting
    // Inserted), then `inserted` is told (it may fill in the row), then its row. None is stored
    // when any fails.
    void Write(std::vector<CollectionWrite>& writes, const std::function<void(CollectionWrite&)>& inserted);
    // The newest collection of the clock that stored an event with its serial number (so the next
    // collection reads on after it), if any.
    std::optional<StoredCollection> LastSerialCollection(std::int32_t clockID) const;
    // Per clock that was ever collected, by clock name.
    std::vector<ClockCollectionSummary> CollectionSummary() const;

private:
    std::shared_ptr<IStore> mStore;
};

} // namespace zel::data
