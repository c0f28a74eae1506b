#include "StoreEngine.h"

#include "PgStore.h"
#include "SqliteStore.h"
#include "zel/data/DataErrors.h"
#include "zel/data/IStore.h"

#include <string>

namespace zel::data::detail {

StoreEngine EngineOf(const std::shared_ptr<IStore>& store, const char* what)
{
    if (!store)
        throw zel::Error(errc::ObjectNotSet, ErrorSource, "Object variable not set: no site database is open.");
    if (!store->IsOpen())
        throw zel::Error(errc::ObjectClosed, ErrorSource, "Operation is not allowed when the object is closed.");
    if (auto* sqlite = dynamic_cast<SqliteStore*>(store.get()))
        return {sqlite->Handle(), nullptr};
    if (auto* pg = dynamic_cast<PgStore*>(store.get()))
        return {nullptr, &pg->Connection()};
    throw zel::Error(errc::StoreError, ErrorSource, std::string("This kind of site database keeps no ") + what + ".");
}

} // namespace zel::data::detail
