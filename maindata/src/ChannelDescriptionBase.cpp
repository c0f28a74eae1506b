#include "zel/data/ChannelDescriptionBase.h"

#include "Conversions.h"
#include "DatabaseState.h"
#include "Schema.h"
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
        list->RenameKey(mName, name);
    mName = name;
    MarkDirty();
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

void ChannelDescriptionBase::InsertNew(const std::string& name)
{
    mName = name;
    auto id = detail::RequireStore().Insert(schema::Channels, WriteFields());
    mDatabaseID = detail::ToInt32(FieldValue(id));
    MarkClean();
}

void ChannelDescriptionBase::LoadFromRecord(const Record& row)
{
    mName = detail::ToText(row.Value(schema::Name));
    LoadOwnFields(row);
    mDatabaseID = detail::ToInt32(row.Value(schema::ID));
    MarkClean();
}

void ChannelDescriptionBase::SaveChanges()
{
    if (mIsDeleted) {
        detail::RequireStore().Delete(schema::Channels, mDatabaseID);
        MarkNew();
    } else if (mIsNew) {
        InsertNew(mName);
        MarkClean();
    } else if (mIsDirty) {
        if (detail::RequireStore().Update(schema::Channels, mDatabaseID, WriteFields()) == 0)
            detail::Raise(errc::NoCurrentRecord, "Either BOF or EOF is True, or the current record has been deleted. "
                                                 "Requested operation requires a current record.");
        MarkClean();
        if (auto list = mParentList.lock())
            list->NotifyItemChanged(shared_from_this());
    }
}

} // namespace zel::data
