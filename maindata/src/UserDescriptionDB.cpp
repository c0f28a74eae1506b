#include "zel/data/UserDescriptionDB.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"
#include "zel/data/UserDescription.h"

namespace zel::data {

namespace {

std::vector<Field> WriteFields(const UserDescription& obj)
{
    std::vector<Field> fields{
        {schema::UserID, detail::FromText(obj.UserID())},
        {schema::Name, detail::FromText(obj.Name())},
        {schema::Enrolled, detail::FromBoolean(obj.Enrolled())},
        {schema::AuthorityLevel, detail::FromInt32(obj.AuthorityLevel())},
    };
    // An empty template leaves the stored one as it is.
    auto bytes = obj.Template();
    if (!bytes.empty())
        fields.push_back({schema::Template, detail::FromText(BytesToTemplateText(bytes))});
    return fields;
}

} // namespace

void UserDescriptionDB::Delete(std::int32_t databaseID)
{
    detail::RequireStore().Delete(schema::Users, databaseID);
}

void UserDescriptionDB::Update(const UserDescription& obj)
{
    // A row that has vanished is not written, and that is no error.
    detail::RequireStore().Update(schema::Users, obj.DatabaseID(), WriteFields(obj));
}

std::int32_t UserDescriptionDB::Insert(const UserDescription& obj)
{
    // The store refuses an ID beyond 32 bits before it keeps the row.
    auto id = detail::RequireStore().Insert(schema::Users, WriteFields(obj));
    return detail::ToInt32(FieldValue(id));
}

zel::KeyedCollection<std::shared_ptr<UserDescription>> UserDescriptionDB::GetList()
{
    zel::KeyedCollection<std::shared_ptr<UserDescription>> result(ErrorSource);
    auto store = detail::CurrentStore();
    if (!store)
        return result;
    store->ReadAll(schema::Users, [&](const Record& row) {
        std::shared_ptr<UserDescription> user(new UserDescription());
        detail::LoadRow(schema::Users, row, [&] { user->LoadFromRecord(row, {}); });
        const std::string key = std::to_string(user->DatabaseID());
        if (result.AddUnlessHeld(user, key) != nullptr)
            detail::RaiseDuplicateKey(schema::Users, key, schema::ID, key, key);
    });
    return result;
}

} // namespace zel::data
