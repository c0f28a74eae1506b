#include "zel/data/UserDescription.h"

#include "Conversions.h"
#include "Schema.h"
#include "zel/Text.h"
#include "zel/data/Record.h"
#include "zel/data/UserDescriptionDB.h"
#include "zel/data/UserDescriptionList.h"

namespace zel::data {

void UserDescription::SetUserID(const std::string& userID)
{
    if (userID == mUserID)
        return;
    if (auto list = mParentList.lock())
        list->RenameKey(mUserID, userID);
    mUserID = userID;
    MarkDirty();
}

void UserDescription::SetName(const std::string& name)
{
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
    mDatabaseID = detail::ToInt32(row.Value(schema::ID));
    mUserID = detail::ToText(row.Value(schema::UserID));
    mName = detail::ToText(row.Value(schema::Name));
    mAuthorityLevel = detail::ToInt16(row.Value(schema::AuthorityLevel));
    mEnrolled = detail::ToBoolean(row.Value(schema::Enrolled));
    mTemplate = TemplateTextToBytes(detail::ToTextOrEmpty(row.Value(schema::Template)));
    mParentList = list;
    MarkClean();
}

void UserDescription::SaveChanges()
{
    UserDescriptionDB db;
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

void UserDescription::NotifyChanged()
{
    mChanged.Raise();
    if (auto list = mParentList.lock())
        list->NotifyItemChanged(shared_from_this());
}

} // namespace zel::data
