#include "zel/data/LifecycleStore.h"

#include "Schema.h"
#include "store/PgLifecycle.h"
#include "store/SqliteLifecycle.h"
#include "store/StoreEngine.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"

#include <charconv>

namespace zel::data {

namespace {

constexpr const char* kRetentionDays = "RetentionDays";

detail::StoreEngine EngineOf(const std::shared_ptr<IStore>& store)
{
    return detail::EngineOf(store, "pending erasures");
}

} // namespace

LifecycleStore::LifecycleStore() : LifecycleStore(DataSource().GetConnection()) {}

LifecycleStore::LifecycleStore(std::shared_ptr<IStore> store) : mStore(std::move(store)) {}

void LifecycleStore::AddPending(const std::vector<PendingErasure>& erasures)
{
    const auto engine = EngineOf(mStore);
    mStore->CheckWritable();
    mStore->Transact([&] {
        if (engine.Pg)
            detail::InsertPgPendingErasures(*engine.Pg, erasures);
        else
            detail::InsertPendingErasures(engine.Sqlite, erasures);
    });
}

bool LifecycleStore::RemovePending(std::int32_t clockID, const std::string& userID)
{
    const auto engine = EngineOf(mStore);
    mStore->CheckCanAppend();
    bool removed = false;
    mStore->Append([&] {
        removed = engine.Pg ? detail::DeletePgPendingErasure(*engine.Pg, clockID, userID)
                            : detail::DeletePendingErasure(engine.Sqlite, clockID, userID);
    });
    return removed;
}

std::vector<PendingErasure> LifecycleStore::Pending() const
{
    return PendingFor(0);
}

std::vector<PendingErasure> LifecycleStore::PendingFor(std::int32_t clockID) const
{
    const auto engine = EngineOf(mStore);
    return engine.Pg ? detail::SelectPgPendingErasures(*engine.Pg, clockID)
                     : detail::SelectPendingErasures(engine.Sqlite, clockID);
}

bool LifecycleStore::CanFinish() const
{
    try {
        EngineOf(mStore);
        mStore->CheckCanAppend();
        return true;
    } catch (const zel::Error&) {
        return false;
    }
}

bool LifecycleStore::ForgetTemplate(std::int32_t userDatabaseID)
{
    EngineOf(mStore);
    mStore->CheckWritable();
    int changed = 0;
    mStore->Transact([&] {
        changed = mStore->Update(schema::Users, userDatabaseID,
                                 {{schema::Template, FieldValue()}, {schema::Enrolled, FieldValue(std::int64_t{0})}});
    });
    return changed > 0;
}

int LifecycleStore::RetentionDays() const
{
    const auto engine = EngineOf(mStore);
    const auto text = engine.Pg ? detail::SelectPgSetting(*engine.Pg, kRetentionDays)
                                : detail::SelectSetting(engine.Sqlite, kRetentionDays);
    int days = 0;
    if (!text || std::from_chars(text->data(), text->data() + text->size(), days).ec != std::errc() || days < 1)
        return kDefaultRetentionDays; // none stored, or one written by hand that means nothing
    return days;
}

void LifecycleStore::SetRetentionDays(int days)
{
    if (days < 1 || days > 36500)
        throw zel::Error(errc::InvalidArgument, ErrorSource,
                         "The retention period must be 1 to 36500 days; " + std::to_string(days) + " was given.");
    const auto engine = EngineOf(mStore);
    mStore->CheckWritable();
    mStore->Transact([&] {
        if (engine.Pg)
            detail::StorePgSetting(*engine.Pg, kRetentionDays, std::to_string(days));
        else
            detail::StoreSetting(engine.Sqlite, kRetentionDays, std::to_string(days));
    });
}

std::map<std::string, std::string> LifecycleStore::TemplateDates() const
{
    const auto engine = EngineOf(mStore);
    return engine.Pg ? detail::SelectPgTemplateDates(*engine.Pg) : detail::SelectTemplateDates(engine.Sqlite);
}

std::map<std::string, std::string> LifecycleStore::LastEvents(const std::vector<std::int32_t>& formatTypes) const
{
    const auto engine = EngineOf(mStore);
    return engine.Pg ? detail::SelectPgLastEvents(*engine.Pg, formatTypes)
                     : detail::SelectLastEvents(engine.Sqlite, formatTypes);
}

} // namespace zel::data
