#include "zel/data/ReaderDescription.h"

#include "Conversions.h"
#include "Schema.h"
#include "zel/data/ReaderDescriptionDB.h"
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
        list->RenameKey(mName, name);
    mName = name;
    MarkDirty();
}

void ReaderDescription::SetLocation(const std::string& location)
{
    mLocation = location;
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
    mDatabaseID = detail::ToInt32(row.Value(schema::ID));
    mReaderID = detail::ToUInt8ViaText(row.Value(schema::ReaderID));
    mName = detail::ToText(row.Value(schema::Name));
    mChannelDescriptionID = detail::ToInt32(row.Value(schema::ChannelDescID));
    mLocation = detail::ToText(row.Value(schema::Location));
    MarkClean();
}

void ReaderDescription::SaveChanges()
{
    ReaderDescriptionDB db;
    if (mIsDeleted) {
        db.Delete(mDatabaseID);
        MarkNew();
    } else if (mIsNew) {
        mDatabaseID = db.Insert(*this);
        MarkClean();
    } else if (mIsDirty) {
        db.Update(*this);
        MarkClean();
        NotifyChanged();
    }
}

void ReaderDescription::NotifyChanged()
{
    mChanged.Raise();
    if (auto list = mParentList.lock())
        list->NotifyItemChanged(shared_from_this());
}

} // namespace zel::data
