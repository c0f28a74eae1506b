#include "zel/data/EventStore.h"

#include "store/SqliteEvents.h"
#include "store/SqliteStore.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"

namespace zel::data {

namespace {

sqlite3* HandleOf(const std::shared_ptr<IStore>& store)
{
    if (!store)
        throw zel::Error(errc::ObjectNotSet, ErrorSource, "Object variable not set: no site database is open.");
    auto* sqlite = dynamic_cast<detail::SqliteStore*>(store.get());
    if (!sqlite)
        throw zel::Error(errc::StoreError, ErrorSource, "The events are kept in SQLite site databases only.");
    if (!sqlite->IsOpen())
        throw zel::Error(errc::ObjectClosed, ErrorSource, "Operation is not allowed when the object is closed.");
    return sqlite->Handle();
}

} // namespace

EventStore::EventStore() : EventStore(DataSource().GetConnection()) {}

EventStore::EventStore(std::shared_ptr<IStore> store) : mStore(std::move(store)) {}

void EventStore::CheckWritable() const
{
    HandleOf(mStore);
    mStore->CheckWritable();
}

int EventStore::Add(const std::vector<StoredEvent>& events)
{
    sqlite3* db = HandleOf(mStore);
    mStore->CheckWritable();
    int inserted = 0;
    mStore->Transact([&] {
        detail::EnsureEventsTable(db);
        inserted = detail::InsertEvents(db, events);
    });
    return inserted;
}

bool EventStore::Contains(const StoredEvent& event) const
{
    return detail::ContainsEvent(HandleOf(mStore), event);
}

std::int64_t EventStore::CountForClock(std::int32_t clockID) const
{
    return detail::CountEventsOfClock(HandleOf(mStore), clockID);
}

std::int64_t EventStore::Count(const EventFilter& filter) const
{
    return detail::CountEvents(HandleOf(mStore), filter);
}

std::vector<StoredEvent> EventStore::Page(const EventFilter& filter, std::int64_t offset, int limit) const
{
    std::vector<StoredEvent> page;
    page.reserve(static_cast<std::size_t>(limit > 0 ? limit : 0));
    detail::SelectEvents(HandleOf(mStore), filter, offset, limit, [&](const StoredEvent& e) { page.push_back(e); });
    return page;
}

std::vector<StoredEvent> EventStore::PageAfter(const EventFilter& filter, const std::optional<EventCursor>& after,
                                               int limit) const
{
    std::vector<StoredEvent> page;
    page.reserve(static_cast<std::size_t>(limit > 0 ? limit : 0));
    detail::SelectEventsAfter(HandleOf(mStore), filter, after ? &*after : nullptr, limit,
                              [&](const StoredEvent& e) { page.push_back(e); });
    return page;
}

void EventStore::ForEach(const EventFilter& filter, const std::function<void(const StoredEvent&)>& onEvent) const
{
    detail::SelectEvents(HandleOf(mStore), filter, 0, -1, onEvent);
}

} // namespace zel::data
