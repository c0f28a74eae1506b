// UserDescriptionList::ApplyBatch: many users added, changed and removed in one transaction, with
// one ListChanged, so that a roster of 100,000 users costs neither 100,000 transactions nor
// 100,000 events.
#include "zel/data/UserDescriptionList.h"

#include "Conversions.h"
#include "ListMechanics.h"
#include "Schema.h"
#include "SiteEditAudit.h"
#include "zel/Text.h"
#include "zel/data/DataErrors.h"

#include <algorithm>
#include <limits>
#include <unordered_set>
#include <utility>

namespace zel::data {

using UserPtr = std::shared_ptr<UserDescription>;

void UserDescriptionList::ApplyBatch(const std::vector<BatchUser>& add, const std::vector<BatchUser>& change,
                                     const std::vector<std::string>& remove)
{
    // Everything is checked before anything is written. A level is read back through a 16-bit
    // conversion (see UserDescription::SetAuthorityLevel).
    const auto checkLevel = [](const BatchUser& user) {
        if (user.AuthorityLevel < std::numeric_limits<std::int16_t>::min() ||
            user.AuthorityLevel > std::numeric_limits<std::int16_t>::max())
            detail::Raise(errc::Overflow, "Overflow: the authority level " + std::to_string(user.AuthorityLevel) +
                                              " of user " + user.UserID +
                                              " is outside -32768 to 32767, the levels the site database keeps.");
    };
    std::for_each(add.begin(), add.end(), checkLevel);
    std::for_each(change.begin(), change.end(), checkLevel);
    std::unordered_set<std::string> adding;
    adding.reserve(add.size());
    for (const auto& user : add)
        if (Contains(user.UserID) || !adding.insert(FoldCase(user.UserID)).second)
            detail::Raise(errc::InvalidArgument,
                          "The user ID '" + user.UserID + "' cannot be added: it is there already.");
    const auto find = [this](const std::string& userID) {
        if (!Contains(userID))
            detail::Raise(errc::InvalidArgument, "The user ID '" + userID + "' is not in the list.");
        return Item(userID);
    };
    std::vector<std::pair<UserPtr, const BatchUser*>> changing;
    changing.reserve(change.size());
    for (const auto& user : change)
        changing.emplace_back(find(user.UserID), &user);
    std::vector<UserPtr> removing;
    std::unordered_set<const UserDescription*> gone;
    removing.reserve(remove.size());
    for (const auto& userID : remove)
        if (auto user = find(userID); gone.insert(user.get()).second)
            removing.push_back(std::move(user));
    detail::RefuseIfReadOnly();

    // The new users, in no list yet: their rows are written with the rest.
    std::vector<UserPtr> fresh;
    fresh.reserve(add.size());
    for (const auto& values : add) {
        UserPtr user(new UserDescription());
        user->InitNew(values.UserID, values.Name, weak_from_this());
        user->mAuthorityLevel = values.AuthorityLevel;
        fresh.push_back(std::move(user));
    }
    std::vector<std::int32_t> ids;
    auto ops = Ops();
    // Removals and insertions are written as a Save writes them; a change writes its two columns.
    detail::SaveList(mDeleted, mTracking, ops, [&] {
        for (const auto& user : removing)
            ops.WriteDelete(user);
        auto& store = detail::RequireStore();
        for (const auto& [user, values] : changing)
            detail::AuditedWrite(
                [&] {
                    store.Update(schema::Users, user->mDatabaseID,
                                 {{schema::Name, detail::FromText(values->Name)},
                                  {schema::AuthorityLevel, detail::FromInt32(values->AuthorityLevel)}});
                },
                [&] {
                    auto entry = detail::UserEdit("user-change", *user, user->mStoredUserID);
                    entry.Detail = "name " + values->Name + ", authority level " +
                                   std::to_string(values->AuthorityLevel) +
                                   (user->Enrolled() ? ", enrolled" : ", not enrolled");
                    return entry;
                });
        ids.clear();
        ids.reserve(fresh.size());
        for (const auto& user : fresh)
            ids.push_back(ops.WriteInsert(user));
    });

    // Written: the list shows it. The name index is made again at its next use.
    mNamesIndexed = false;
    mByName.clear();
    if (!removing.empty()) {
        // A key collection removes one item in linear time: the kept items are collected anew.
        const auto items = detail::Snapshot(mItems);
        mItems.Clear();
        mItems.Reserve(static_cast<int>(items.size() - removing.size() + fresh.size()));
        for (const auto& user : items)
            if (gone.count(user.get()) == 0)
                mItems.Add(user, user->mUserID);
        mTracking.UnindexIDsIf([&](const UserDescription* user) { return gone.count(user) != 0; });
        for (const auto& user : removing) {
            detail::ListTracking<UserDescription>::Leave(*user);
            detail::ListTracking<UserDescription>::Dequeue(*user);
            ops.AppliedDelete(user); // as a saved removal leaves it: detached
        }
    } else {
        mItems.Reserve(mItems.Count() + static_cast<int>(fresh.size()));
    }
    for (const auto& [user, values] : changing) {
        user->mName = values->Name;
        user->mAuthorityLevel = values->AuthorityLevel;
    }
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        ops.AppliedInsert(fresh[i], ids[i]);
        mItems.Add(fresh[i], fresh[i]->mUserID);
        Append(fresh[i]);
    }
    NotifyListChanged();
}

} // namespace zel::data
