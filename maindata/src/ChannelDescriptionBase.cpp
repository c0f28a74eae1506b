#include "zel/data/ChannelDescriptionBase.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "LoadRules.h"
#include "Schema.h"
#include "SiteEditAudit.h"
#include "zel/Text.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/Record.h"

namespace zel::data {

void ChannelDescriptionBase::SetName(const std::string& name)
{
    // A change of letter case only keeps the old letters.
    if (FoldCase(name) == FoldCase(mName))
        return;
    if (auto list = mParentList.lock())
        list->RenameKey(mName, name, this);
    mName = name;
    MarkDirty();
}

void ChannelDescriptionBase::MarkDirty()
{
    mIsDirty = true;
    if (mQueued)
        return;
    if (auto list = mParentList.lock())
        list->QueueForSave(shared_from_this());
}

void ChannelDescriptionBase::ThrowInvalid(const char* message)
{
    detail::Raise(errc::InvalidArgument, message);
}

void ChannelDescriptionBase::SetComPortField(std::int32_t& field, std::int32_t port)
{
    if (port < 1 || port > 8)
        ThrowInvalid("Invalid port number");
    field = port;
    MarkDirty();
}

void ChannelDescriptionBase::SetBitRateField(std::int32_t& field, std::int32_t bitRate)
{
    if (bitRate < 1)
        ThrowInvalid("Invalid bit rate.");
    field = bitRate;
    MarkDirty();
}

std::vector<Field> ChannelDescriptionBase::WriteFields() const
{
    std::vector<Field> fields{{schema::Name, detail::FromText(mName)}};
    WriteOwnFields(fields);
    fields.push_back({schema::Type, detail::FromText(TypeWord())});
    return fields;
}

std::int32_t ChannelDescriptionBase::WriteInsert() const
{
    // The store refuses an ID beyond 32 bits before it keeps the row.
    std::int32_t id = 0;
    detail::AuditedWrite(
        [&] { id = detail::ToInt32(FieldValue(detail::RequireStore().Insert(schema::Channels, WriteFields()))); },
        [&] {
            auto entry = detail::ChannelEdit("channel-add", *this, {});
            entry.Detail = "channel " + mName + " (ID " + std::to_string(id) + ")";
            return entry;
        });
    return id;
}

void ChannelDescriptionBase::InsertNew(const std::string& name)
{
    mName = name;
    mDatabaseID = WriteInsert();
    mStoredName = mName;
    MarkClean();
}

void ChannelDescriptionBase::LoadFromRecord(const Record& row)
{
    mName = detail::ReadText(row, schema::Name);
    mStoredName = mName;
    LoadOwnFields(row);
    mDatabaseID = detail::ReadInt32(row, schema::ID);
    MarkClean();
}

} // namespace zel::data
