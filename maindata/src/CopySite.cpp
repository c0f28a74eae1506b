#include "zel/data/CopySite.h"

#include "Conversions.h"
#include "Schema.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"
#include "zel/data/IStore.h"

#include <array>
#include <string>
#include <vector>

namespace zel::data {

namespace {

// Channels before the clocks that name them, the clocks before the events, collections and
// pending erasures that name them. The audit trail keeps its rows, sequences and hashes, so its
// chain verifies in the copy too.
constexpr std::array<const char*, 8> Tables = {schema::Channels, schema::Readers,   schema::Users,
                                               "Events",         "EventCollections", "PendingErasures",
                                               "SiteSettings",   "AuditLog"};

} // namespace

void CopySite(IStore& from, IStore& to)
{
    to.CheckWritable();
    std::vector<std::string> tables;
    for (const char* table : Tables)
        if (from.HasTable(table))
            tables.push_back(table);
    for (const auto& table : tables)
        if (to.HasTable(table) && to.CountRows(table) != 0)
            detail::Raise(errc::FileAlreadyExists, "The site " + to.FileName() + " holds rows in table " + table +
                                                       " already; a site is copied only into an empty one.");

    to.Transact([&] {
        for (const auto& table : tables) {
            std::int64_t copied = 0;
            from.ReadAll(table, [&](const Record& row) {
                std::int64_t id = 0;
                std::vector<Field> fields;
                fields.reserve(static_cast<std::size_t>(row.Count()));
                for (int i = 0; i < row.Count(); ++i) {
                    const auto& name = row.Columns()[static_cast<std::size_t>(i)];
                    const auto& value = row.Values()[static_cast<std::size_t>(i)];
                    if (EqualsNoCase(name, schema::ID)) {
                        auto number = std::get_if<std::int64_t>(&value);
                        if (number == nullptr)
                            detail::Raise(errc::TypeMismatch, "Table " + table + " of " + from.FileName() +
                                                                  " holds a row whose ID is no number.");
                        id = *number;
                    } else {
                        fields.push_back({name, value});
                    }
                }
                to.InsertWithID(table, id, fields);
                ++copied;
            });
            to.ReserveIDsThrough(table, from.LastID(table));
            const std::int64_t held = to.CountRows(table);
            if (held != copied)
                detail::Raise(errc::StoreError, "Copying table " + table + " from " + from.FileName() + " to " +
                                                    to.FileName() + ": " + std::to_string(copied) +
                                                    " rows were read but " + std::to_string(held) +
                                                    " are stored; nothing was copied.");
        }
    });
}

} // namespace zel::data
