#include "zel/data/ReaderDescriptionDB.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/data/DataErrors.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/Record.h"

namespace zel::data {

namespace {

std::vector<Field> WriteFields(const ReaderDescription& obj)
{
    return {
        {schema::ReaderID, detail::FromUInt8(obj.ReaderID())},
        {schema::Name, detail::FromText(obj.Name())},
        {schema::Location, detail::FromText(obj.Location())},
        {schema::ChannelDescID, detail::FromInt32(obj.ChannelDescriptionID())},
        {schema::TimeZone, obj.TimeZone().empty() ? FieldValue() : detail::FromText(obj.TimeZone())},
    };
}

} // namespace

void ReaderDescriptionDB::Delete(std::int32_t databaseID)
{
    detail::RequireStore().Delete(schema::Readers, databaseID);
}

void ReaderDescriptionDB::Update(const ReaderDescription& obj)
{
    // A row that has vanished is not written, and that is no error.
    detail::RequireStore().Update(schema::Readers, obj.DatabaseID(), WriteFields(obj));
}

std::int32_t ReaderDescriptionDB::Insert(const ReaderDescription& obj)
{
    auto id = detail::RequireStore().Insert(schema::Readers, WriteFields(obj));
    return detail::ToInt32(FieldValue(id));
}

std::shared_ptr<ReaderDescription> ReaderDescriptionDB::Create(std::uint8_t readerID, const std::string& name,
                                                               std::int32_t channelID)
{
    if (name.empty())
        detail::Raise(errc::InvalidArgument, "Reader name cannot be empty.");
    std::vector<Field> fields{
        {schema::ReaderID, detail::FromUInt8(readerID)},
        {schema::Name, detail::FromText(name)},
        {schema::ChannelDescID, detail::FromInt32(channelID)},
        {schema::Location, detail::FromText("")},
    };
    // The store refuses an ID beyond 32 bits before it keeps the row.
    auto id = detail::RequireStore().Insert(schema::Readers, fields);

    // The description is read back from the values of the row just stored.
    auto columns = std::make_shared<std::vector<std::string>>();
    std::vector<FieldValue> values;
    columns->push_back(schema::ID);
    values.emplace_back(id);
    for (auto& field : fields) {
        columns->push_back(field.Name);
        values.push_back(std::move(field.Value));
    }
    std::shared_ptr<ReaderDescription> clock(new ReaderDescription());
    clock->LoadFromRecord(Record(std::move(columns), std::move(values)));
    return clock;
}

zel::KeyedCollection<std::shared_ptr<ReaderDescription>> ReaderDescriptionDB::GetList()
{
    zel::KeyedCollection<std::shared_ptr<ReaderDescription>> result(ErrorSource);
    auto store = detail::CurrentStore();
    if (!store || !store->IsOpen())
        return result;
    store->ReadAll(schema::Readers, [&](const Record& row) {
        std::shared_ptr<ReaderDescription> clock(new ReaderDescription());
        detail::LoadRow(schema::Readers, row, [&] { clock->LoadFromRecord(row); });
        if (const auto* holder = result.Find(clock->Name()))
            detail::RaiseDuplicateKey(schema::Readers, std::to_string(clock->DatabaseID()), schema::Name, clock->Name(),
                                      std::to_string((*holder)->DatabaseID()));
        result.Add(clock, clock->Name());
    });
    return result;
}

} // namespace zel::data
