#include "zel/data/EventStore.h"

#include "store/CollectionsTable.h"
#include "store/PgEvents.h"
#include "store/SqliteEvents.h"
#include "store/StoreEngine.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"

namespace zel::data {

namespace {

detail::StoreEngine EngineOf(const std::shared_ptr<IStore>& store)
{
    return detail::EngineOf(store, "events");
}

} // namespace

EventStore::EventStore() : EventStore(DataSource().GetConnection()) {}

EventStore::EventStore(std::shared_ptr<IStore> store) : mStore(std::move(store)) {}

void EventStore::CheckWritable() const
{
    EngineOf(mStore);
    mStore->CheckCanAppend();
}

int EventStore::Add(const std::vector<StoredEvent>& events)
{
    const detail::StoreEngine engine = EngineOf(mStore);
    mStore->CheckCanAppend();
    int inserted = 0;
    // The table is made (and given its newer columns) when the site is opened for writing or
    // appending.
    mStore->Append([&] {
        inserted = engine.Pg ? detail::InsertPgEvents(*engine.Pg, events) : detail::InsertEvents(engine.Sqlite, events);
    });
    return inserted;
}

bool EventStore::Contains(const StoredEvent& event) const
{
    const detail::StoreEngine engine = EngineOf(mStore);
    return engine.Pg ? detail::ContainsPgEvent(*engine.Pg, event) : detail::ContainsEvent(engine.Sqlite, event);
}

std::int64_t EventStore::CountForClock(std::int32_t clockID) const
{
    const detail::StoreEngine engine = EngineOf(mStore);
    return engine.Pg ? detail::CountPgEventsOfClock(*engine.Pg, clockID)
                     : detail::CountEventsOfClock(engine.Sqlite, clockID);
}

std::int64_t EventStore::Count(const EventFilter& filter) const
{
    const detail::StoreEngine engine = EngineOf(mStore);
    return engine.Pg ? detail::CountPgEvents(*engine.Pg, filter) : detail::CountEvents(engine.Sqlite, filter);
}

std::vector<StoredEvent> EventStore::Page(const EventFilter& filter, std::int64_t offset, int limit) const
{
    std::vector<StoredEvent> page;
    page.reserve(static_cast<std::size_t>(limit > 0 ? limit : 0));
    auto add = [&](const StoredEvent& e) { page.push_back(e); };
    const detail::StoreEngine engine = EngineOf(mStore);
    if (engine.Pg)
        detail::SelectPgEvents(*engine.Pg, filter, offset, limit, add);
    else
        detail::SelectEvents(engine.Sqlite, filter, offset, limit, add);
    return page;
}

std::vector<StoredEvent> EventStore::PageAfter(const EventFilter& filter, const std::optional<EventCursor>& after,
                                               int limit) const
{
    std::vector<StoredEvent> page;
    page.reserve(static_cast<std::size_t>(limit > 0 ? limit : 0));
    auto add = [&](const StoredEvent& e) { page.push_back(e); };
    const detail::StoreEngine engine = EngineOf(mStore);
    if (engine.Pg)
        detail::SelectPgEventsAfter(*engine.Pg, filter, after ? &*after : nullptr, limit, add);
    else
        detail::SelectEventsAfter(engine.Sqlite, filter, after ? &*after : nullptr, limit, add);
    return page;
}

void EventStore::ForEach(const EventFilter& filter, const std::function<void(const StoredEvent&)>& onEvent) const
{
    const detail::StoreEngine engine = EngineOf(mStore);
    if (engine.Pg)
        detail::SelectPgEvents(*engine.Pg, filter, 0, -1, onEvent);
    else
        detail::SelectEvents(engine.Sqlite, filter, 0, -1, onEvent);
}

void EventStore::AddCollection(const StoredCollection& collection)
{
    const auto engine = EngineOf(mStore);
    mStore->CheckCanAppend();
    mStore->Append([&] {
        if (engine.Pg)
            detail::InsertCollection(*engine.Pg, collection);
        else
            detail::InsertCollection(engine.Sqlite, collection);
    });
}

void EventStore::Write(std::vector<CollectionWrite>& writes, const std::function<void(CollectionWrite&)>& inserted)
{
    const auto engine = EngineOf(mStore);
    mStore->CheckCanAppend();
    mStore->Append([&] {
        for (auto& write : writes) {
            write.Inserted = engine.Pg ? detail::InsertPgEvents(*engine.Pg, write.Events)
                                       : detail::InsertEvents(engine.Sqlite, write.Events);
            if (inserted)
                inserted(write);
            if (!write.Row)
                continue;
            if (engine.Pg)
                detail::InsertCollection(*engine.Pg, *write.Row);
            else
                detail::InsertCollection(engine.Sqlite, *write.Row);
        }
    });
}

std::optional<StoredCollection> EventStore::LastSerialCollection(std::int32_t clockID) const
{
    const auto engine = EngineOf(mStore);
    return engine.Pg ? detail::LastSerialCollection(*engine.Pg, clockID)
                     : detail::LastSerialCollection(engine.Sqlite, clockID);
}

std::vector<ClockCollectionSummary> EventStore::CollectionSummary() const
{
    const auto engine = EngineOf(mStore);
    return engine.Pg ? detail::CollectionSummary(*engine.Pg) : detail::CollectionSummary(engine.Sqlite);
}

} // namespace zel::data
