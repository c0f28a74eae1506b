#include "zel/data/UserDescriptionList.h"

#include "Conversions.h"
#include "ListMechanics.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/data/DataErrors.h"
#include "zel/data/UserDescriptionDB.h"

namespace zel::data {

using UserPtr = std::shared_ptr<UserDescription>;

UserDescriptionList::UserDescriptionList() : mItems(ErrorSource) {}

std::shared_ptr<UserDescriptionList> UserDescriptionList::Load()
{
    std::shared_ptr<UserDescriptionList> list(new UserDescriptionList());
    auto rows = UserDescriptionDB().GetList();
    list->mItems.Reserve(rows.Count());
    for (const auto& user : rows) {
        user->SetParentList(list);
        if (const UserPtr* holder = list->mItems.AddUnlessHeld(user, user->UserID()))
            detail::RaiseDuplicateKey(schema::Users, std::to_string(user->DatabaseID()), schema::UserID, user->UserID(),
                                      std::to_string((*holder)->DatabaseID()));
    }
    return list;
}

detail::TrackingOps<UserPtr> UserDescriptionList::Ops()
{
    detail::TrackingOps<UserPtr> ops;
    ops.IsNew = [](const UserPtr& user) { return user->mIsNew; };
    ops.IsDirty = [](const UserPtr& user) { return user->mIsDirty; };
    ops.IsDeleted = [](const UserPtr& user) { return user->mIsDeleted; };
    ops.Key = [](const UserPtr& user) { return user->mUserID; };
    ops.StoredKey = [](const UserPtr& user) { return user->mStoredUserID; };
    ops.WriteDelete = [](const UserPtr& user) { UserDescriptionDB().Delete(user->mDatabaseID); };
    ops.WriteInsert = [](const UserPtr& user) { return UserDescriptionDB().Insert(*user); };
    ops.WriteUpdate = [](const UserPtr& user) { UserDescriptionDB().Update(*user); };
    ops.ParkKey = [](const UserPtr& user) {
        detail::RequireStore().Update(schema::Users, user->mDatabaseID,
                                      {{schema::UserID, detail::FromText(detail::ParkedKey(user->mDatabaseID))}});
    };
    ops.AppliedDelete = [](const UserPtr& user) { user->MarkNew(); };
    ops.AppliedInsert = [](const UserPtr& user, std::int32_t id) {
        user->mDatabaseID = id;
        user->mStoredUserID = user->mUserID;
        user->MarkClean();
    };
    ops.AppliedUpdate = [](const UserPtr& user) {
        user->mStoredUserID = user->mUserID;
        user->MarkClean();
    };
    ops.Notify = [](const UserPtr& user) { user->NotifyChanged(); };
    return ops;
}

std::shared_ptr<UserDescription> UserDescriptionList::Add(const std::string& userID, const std::string& name)
{
    if (Contains(userID))
        detail::Raise(errc::InvalidArgument, "UserID already exists.");
    detail::RefuseIfReadOnly();
    std::shared_ptr<UserDescription> user(new UserDescription());
    user->InitNew(userID, name, weak_from_this());
    mItems.Add(user, userID);
    auto ops = Ops();
    if (detail::KeyHeldByPendingRow(mDeleted, detail::Snapshot(mItems), userID, ops)) {
        // The new user is the last item: it is inserted after the rows that free its key.
        detail::SaveList(mDeleted, detail::Snapshot(mItems), ops);
    } else {
        std::int32_t id = ops.WriteInsert(user);
        ops.AppliedInsert(user, id);
    }
    mItemAdded.Raise(user);
    NotifyListChanged();
    return user;
}

bool UserDescriptionList::Contains(const std::string& userID) const
{
    return mItems.Contains(userID);
}

void UserDescriptionList::Remove(const std::string& userID)
{
    auto user = mItems.Item(userID);
    detail::RefuseIfReadOnly();
    mItems.Remove(userID);
    mDeleted.push_back(user);
    user->MarkDeleted();
    mItemRemoved.Raise(user);
    NotifyListChanged();
}

std::shared_ptr<UserDescription> UserDescriptionList::GetByDatabaseID(std::int32_t id) const
{
    return detail::FindByDatabaseID(mItems, id);
}

std::shared_ptr<UserDescription> UserDescriptionList::Item(int position) const
{
    return mItems.Item(position);
}

std::shared_ptr<UserDescription> UserDescriptionList::Item(const std::string& userID) const
{
    return mItems.Item(userID);
}

void UserDescriptionList::Save()
{
    detail::SaveList(mDeleted, detail::Snapshot(mItems), Ops());
}

bool UserDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mItems, mDeleted);
}

std::vector<std::shared_ptr<UserDescription>> UserDescriptionList::Items() const
{
    return detail::Snapshot(mItems);
}

void UserDescriptionList::RenameKey(const std::string& oldKey, const std::string& newKey, const UserDescription* self)
{
    if (mItems.Contains(newKey))
        detail::Raise(errc::InvalidArgument, "New User ID already exists.");
    if (!detail::HoldsUnder(mItems, oldKey, self))
        detail::Raise(errc::InvalidArgument, "Old User ID does not exist.");
    detail::MoveToEnd(mItems, oldKey, newKey);
}

void UserDescriptionList::NotifyListChanged()
{
    mListChanged.Raise();
}

void UserDescriptionList::NotifyItemChanged(const std::shared_ptr<UserDescription>& sender)
{
    mListItemChanged.Raise(sender);
}

} // namespace zel::data
