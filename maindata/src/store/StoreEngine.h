#pragma once

#include "PgStore.h"
#include "SqliteStore.h"
#include "zel/data/DataErrors.h"
#include "zel/data/IStore.h"

#include <memory>
#include <string>

namespace zel::data::detail {

// The engine behind a store, for the tables beside the lists whose statements live with each
// engine (Events, PendingErasures...): exactly one of the two is set.
struct StoreEngine {
    sqlite3* Sqlite = nullptr;
    PgConnection* Pg = nullptr;
};

// Error 91 without a store, 3704 when it is closed, a store error naming `keeps` ("keeps no
// events") for a store of neither engine.
inline StoreEngine EngineOf(const std::shared_ptr<IStore>& store, const std::string& keeps)
{
    if (!store)
        throw zel::Error(errc::ObjectNotSet, ErrorSource, "Object variable not set: no site database is open.");
    if (!store->IsOpen())
        throw zel::Error(errc::ObjectClosed, ErrorSource, "Operation is not allowed when the object is closed.");
    if (auto* sqlite = dynamic_cast<SqliteStore*>(store.get()))
        return {sqlite->Handle(), nullptr};
    if (auto* pg = dynamic_cast<PgStore*>(store.get()))
        return {nullptr, &pg->Connection()};
    throw zel::Error(errc::StoreError, ErrorSource, "This kind of site database " + keeps + ".");
}

} // namespace zel::data::detail
