#pragma once

#include <memory>

struct sqlite3;

namespace zel::data {
class IStore;
}

namespace zel::data::detail {

class PgConnection;

// The engine behind an open store, for the append-only tables whose statements are written per
// engine (Events, AuditLog): exactly one of the two is set.
struct StoreEngine {
    sqlite3* Sqlite = nullptr;
    PgConnection* Pg = nullptr;
};

// Error 91 without a store, 3704 when it is closed, the engine error "This kind of site database
// keeps no `what`." for a store of neither engine.
StoreEngine EngineOf(const std::shared_ptr<IStore>& store, const char* what);

} // namespace zel::data::detail
