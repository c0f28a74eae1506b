#include "zel/data/UserDescriptionList.h"

#include "Conversions.h"
#include "ListMechanics.h"
#include "LoadRules.h"
#include "Schema.h"
#include "SiteEditAudit.h"
#include "zel/data/DataErrors.h"
#include "zel/data/UserDescriptionDB.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

namespace zel::data {

using UserPtr = std::shared_ptr<UserDescription>;

UserDescriptionList::UserDescriptionList() : mItems(ErrorSource) {}

std::shared_ptr<UserDescriptionList> UserDescriptionList::Load()
{
    std::shared_ptr<UserDescriptionList> list(new UserDescriptionList());
    auto store = detail::CurrentStore();
    if (!store)
        return list;
    // One pass over the rows builds the list. A row that cannot be read, or a second row of one
    // ID, is reported at that row; a second row of one UserID once every row has been read.
    struct Duplicate {
        std::string RowID;
        std::string UserID;
        std::string HolderID;
    };
    std::optional<Duplicate> duplicate;
    detail::DistinctIDs ids;
    // Room for every row at once: the key index does not grow (and rehash) step by step.
    const auto rows = static_cast<int>(std::min<std::int64_t>(store->CountRows(schema::Users), 10'000'000));
    list->mItems.Reserve(rows);
    list->mTracking.ReserveIDs(static_cast<std::size_t>(rows));
    store->ReadAll(schema::Users, [&](const Record& row) {
        UserPtr user(new UserDescription());
        detail::LoadRow(schema::Users, row, [&] { user->LoadFromRecord(row, list); });
        if (!ids.Insert(user->mDatabaseID)) {
            const std::string key = std::to_string(user->mDatabaseID);
            detail::RaiseDuplicateKey(schema::Users, key, schema::ID, key, key);
        }
        if (const UserPtr* holder = list->mItems.AddUnlessHeld(user, user->mUserID)) {
            if (!duplicate)
                duplicate =
                    Duplicate{std::to_string(user->mDatabaseID), user->mUserID, std::to_string((*holder)->mDatabaseID)};
            return;
        }
        list->mTracking.Enter(*user);
        list->mTracking.AppendID(user.get());
        list->mLongestUserID = std::max(list->mLongestUserID, user->mUserID.size());
    });
    if (duplicate)
        detail::RaiseDuplicateKey(schema::Users, duplicate->RowID, schema::UserID, duplicate->UserID,
                                  duplicate->HolderID);
    list->mTracking.SortIDs();
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
    // Each write appends its row to the audit trail in the same transaction.
    ops.WriteDelete = [](const UserPtr& user) {
        detail::AuditedWrite([&] { UserDescriptionDB().Delete(user->mDatabaseID); },
                             [&] { return detail::UserEdit("user-remove", *user, user->mStoredUserID); });
    };
    ops.WriteInsert = [](const UserPtr& user) {
        std::int32_t id = 0;
        detail::AuditedWrite([&] { id = UserDescriptionDB().Insert(*user); },
                             [&] { return detail::UserEdit("user-add", *user, {}); });
        return id;
    };
    ops.WriteUpdate = [](const UserPtr& user) {
        detail::AuditedWrite([&] { UserDescriptionDB().Update(*user); },
                             [&] { return detail::UserEdit("user-change", *user, user->mStoredUserID); });
    };
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
    Append(user);
    auto ops = Ops();
    if (detail::KeyHeldByPendingRow(mDeleted, mTracking, userID, ops)) {
        // The new user is the last item: it is inserted after the rows that free its key.
        mTracking.Queue(user);
        detail::SaveList(mDeleted, mTracking, ops);
    } else {
        std::int32_t id = 0;
        try {
            id = ops.WriteInsert(user);
        } catch (...) {
            mTracking.Queue(user); // the next Save inserts it
            throw;
        }
        ops.AppliedInsert(user, id);
        mTracking.ReindexID(user.get(), 0);
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
    mTracking.UnindexID(user.get(), user->mDatabaseID);
    if (mNamesIndexed)
        UnindexName(user.get());
    detail::ListTracking<UserDescription>::Leave(*user);
    mDeleted.push_back(user);
    user->MarkDeleted();
    mItemRemoved.Raise(user);
    NotifyListChanged();
}

std::shared_ptr<UserDescription> UserDescriptionList::GetByDatabaseID(std::int32_t id) const
{
    UserDescription* user = mTracking.FindID(id);
    return user != nullptr ? user->shared_from_this() : nullptr;
}

bool UserDescriptionList::NameHeldByOther(const std::string& name, const UserDescription* self) const
{
    if (!mNamesIndexed) {
        mByName.clear();
        mByName.reserve(static_cast<std::size_t>(mItems.Count()));
        for (const auto& user : mItems)
            mByName.emplace_back(std::hash<std::string>()(user->mName), user.get());
        std::sort(mByName.begin(), mByName.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        mNamesIndexed = true;
    }
    const std::size_t hash = std::hash<std::string>()(name);
    auto at = std::lower_bound(mByName.begin(), mByName.end(), hash,
                               [](const auto& entry, std::size_t value) { return entry.first < value; });
    for (; at != mByName.end() && at->first == hash; ++at)
        if (at->second != self && at->second->mName == name)
            return true;
    return false;
}

void UserDescriptionList::IndexName(UserDescription* user) const
{
    const std::pair<std::size_t, UserDescription*> entry(std::hash<std::string>()(user->mName), user);
    mByName.insert(std::upper_bound(mByName.begin(), mByName.end(), entry,
                                    [](const auto& a, const auto& b) { return a.first < b.first; }),
                   entry);
}

void UserDescriptionList::UnindexName(const UserDescription* user) const
{
    const std::size_t hash = std::hash<std::string>()(user->mName);
    auto at = std::lower_bound(mByName.begin(), mByName.end(), hash,
                               [](const auto& entry, std::size_t value) { return entry.first < value; });
    for (; at != mByName.end() && at->first == hash; ++at) {
        if (at->second == user) {
            mByName.erase(at);
            return;
        }
    }
}

void UserDescriptionList::Append(const std::shared_ptr<UserDescription>& user)
{
    mTracking.Enter(*user);
    mTracking.IndexID(user.get());
    mLongestUserID = std::max(mLongestUserID, user->mUserID.size());
    if (mNamesIndexed)
        IndexName(user.get());
}

void UserDescriptionList::QueueForSave(const std::shared_ptr<UserDescription>& user)
{
    mTracking.Queue(user);
}

void UserDescriptionList::NameChanging(UserDescription& user, const std::string& newName)
{
    if (!mNamesIndexed || !detail::ListTracking<UserDescription>::InList(user) || user.mName == newName)
        return;
    UnindexName(&user);
    const std::string oldName = std::exchange(user.mName, newName);
    IndexName(&user);
    user.mName = oldName;
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
    detail::SaveList(mDeleted, mTracking, Ops());
}

bool UserDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mDeleted, mTracking);
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
    auto user = detail::MoveToEnd(mItems, oldKey, newKey);
    mTracking.Enter(*user);
    mLongestUserID = std::max(mLongestUserID, newKey.size());
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
