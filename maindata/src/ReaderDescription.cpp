#include "zel/data/ReaderDescription.h"

#include "Conversions.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/Record.h"

namespace zel::data {

void ReaderDescription::SetReaderID(std::uint8_t readerID)
{
    mReaderID = readerID;
    MarkDirty();
}

void ReaderDescription::SetName(const std::string& name)
{
    if (name == mName)
        return;
    if (auto list = mParentList.lock())
        list->RenameKey(mName, name, this);
    mName = name;
    MarkDirty();
}

void ReaderDescription::SetLocation(const std::string& location)
{
    mLocation = location;
    MarkDirty();
}

void ReaderDescription::SetTimeZone(const std::string& zone)
{
    mTimeZone = zone;
    MarkDirty();
}

void ReaderDescription::SetChannelDescriptionID(std::int32_t id)
{
    mChannelDescriptionID = id;
    MarkDirty();
}

std::string ReaderDescription::ToString() const
{
    return "{Name: " + mName + ", ReaderID: " + std::to_string(mReaderID) + ", Location: " + mLocation + "}";
}

void ReaderDescription::SetParentList(const std::weak_ptr<ReaderDescriptionList>& list)
{
    mParentList = list;
}

void ReaderDescription::LoadFromRecord(const Record& row)
{
    mDatabaseID = detail::ReadInt32(row, schema::ID);
    mReaderID = detail::ReadUInt8ViaText(row, schema::ReaderID);
    mName = detail::ReadText(row, schema::Name);
    mStoredName = mName;
    mChannelDescriptionID = detail::ReadInt32(row, schema::ChannelDescID);
    mLocation = detail::ReadText(row, schema::Location);
    mTimeZone = row.Has(schema::TimeZone) ? detail::ReadTextOrEmpty(row, schema::TimeZone) : std::string();
    MarkClean();
}

void ReaderDescription::MarkDirty()
{
    mIsDirty = true;
    if (mQueued)
        return;
    if (auto list = mParentList.lock())
        list->QueueForSave(shared_from_this());
}

void ReaderDescription::NotifyChanged()
{
    mChanged.Raise();
    if (auto list = mParentList.lock())
        list->NotifyItemChanged(shared_from_this());
}

} // namespace zel::data
