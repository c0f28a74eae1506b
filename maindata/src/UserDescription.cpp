#include "zel/data/UserDescription.h"

#include "Conversions.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"
#include "zel/data/Record.h"
#include "zel/data/UserDescriptionList.h"

#include <limits>

namespace zel::data {

void UserDescription::SetUserID(const std::string& userID)
{
    if (userID == mUserID)
        return;
    if (auto list = mParentList.lock())
        list->RenameKey(mUserID, userID, this);
    mUserID = userID;
    MarkDirty();
}

void UserDescription::SetName(const std::string& name)
{
    if (auto list = mParentList.lock())
        list->NameChanging(*this, name);
    mName = name;
    MarkDirty();
}

void UserDescription::SetSelected(bool selected)
{
    mSelected = selected;
    MarkDirty();
}

void UserDescription::SetEnrolled(bool enrolled)
{
    mEnrolled = enrolled;
    MarkDirty();
}

void UserDescription::SetAuthorityLevel(std::int32_t level)
{
    // The level is read back through a 16-bit conversion: one beyond it would be saved, and the
    // site would then fail to load.
    if (level < std::numeric_limits<std::int16_t>::min() || level > std::numeric_limits<std::int16_t>::max())
        detail::Raise(errc::Overflow, "Overflow: the authority level " + std::to_string(level) +
                                          " is outside -32768 to 32767, the levels the site database keeps. The "
                                          "level was not changed.");
    mAuthorityLevel = level;
    MarkDirty();
}

void UserDescription::SetTemplate(const std::vector<std::uint8_t>& bytes)
{
    mTemplate = bytes;
}

std::string UserDescription::ToString() const
{
    return "{UserID: " + mUserID + ", Name: " + mName + ", Authority Level: " + std::to_string(mAuthorityLevel) +
           ", Enrolled: " + (mEnrolled ? "True" : "False") + "}";
}

void UserDescription::InitNew(const std::string& userID, const std::string& name,
                              const std::weak_ptr<UserDescriptionList>& list)
{
    mUserID = userID;
    mName = name;
    mParentList = list;
}

void UserDescription::SetParentList(const std::weak_ptr<UserDescriptionList>& list)
{
    mParentList = list;
}

void UserDescription::LoadFromRecord(const Record& row, const std::weak_ptr<UserDescriptionList>& list)
{
    mDatabaseID = detail::ReadInt32(row, schema::ID);
    mUserID = detail::ReadText(row, schema::UserID);
    mStoredUserID = mUserID;
    mName = detail::ReadText(row, schema::Name);
    mAuthorityLevel = detail::ReadInt16(row, schema::AuthorityLevel);
    mEnrolled = detail::ReadBoolean(row, schema::Enrolled);
    mTemplate = TemplateTextToBytes(detail::ReadTextOrEmpty(row, schema::Template));
    mParentList = list;
    MarkClean();
}

void UserDescription::MarkDirty()
{
    mIsDirty = true;
    if (mQueued)
        return;
    if (auto list = mParentList.lock())
        list->QueueForSave(shared_from_this());
}

void UserDescription::NotifyChanged()
{
    mChanged.Raise();
    if (auto list = mParentList.lock())
        list->NotifyItemChanged(shared_from_this());
}

} // namespace zel::data
