#pragma once

#include "zel/Event.h"
#include "zel/data/FieldValue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {

class Record;
class UserDescriptionList;
class UserDescriptionDB;
namespace detail {
template <typename Elem> class ListTracking;
}

// One user of the site, with change tracking. Created only by the library.
class UserDescription : public std::enable_shared_from_this<UserDescription> {
public:
    UserDescription(const UserDescription&) = delete;
    UserDescription& operator=(const UserDescription&) = delete;

    std::int32_t DatabaseID() const noexcept { return mDatabaseID; }

    const std::string& UserID() const noexcept { return mUserID; }
    // Re-keys the user in its list (it moves to the end). Error 5 "New User ID already exists."
    // or "Old User ID does not exist." (also for a user removed from its list); then nothing
    // changes. The same text again does nothing.
    void SetUserID(const std::string& userID);

    const std::string& Name() const noexcept { return mName; }
    void SetName(const std::string& name);

    // A mark for the user interface; never stored, but setting it makes the user dirty.
    bool Selected() const noexcept { return mSelected; }
    void SetSelected(bool selected);

    bool Enrolled() const noexcept { return mEnrolled; }
    void SetEnrolled(bool enrolled);

    // Any level the site can load again: -32768 to 32767 (the known ones are 0 to 5, see
    // UserAuthorityLevel). Another one fails with error 6 (overflow) and changes nothing.
    std::int32_t AuthorityLevel() const noexcept { return mAuthorityLevel; }
    void SetAuthorityLevel(std::int32_t level);

    // The hand template (a copy). Setting it does not make the user dirty: a new template is
    // stored together with the next other change of the user, or with its insertion.
    std::vector<std::uint8_t> Template() const { return mTemplate; }
    void SetTemplate(const std::vector<std::uint8_t>& bytes);

    bool IsDirty() const noexcept { return mIsDirty; }
    bool IsDeleted() const noexcept { return mIsDeleted; }
    bool IsNew() const noexcept { return mIsNew; }

    // {UserID: 1024, Name: Ann Lee, Authority Level: 0, Enrolled: True}
    std::string ToString() const;

    // Raised after a change of this user has been written.
    zel::Event<>& Changed() noexcept { return mChanged; }

private:
    friend class UserDescriptionList;
    friend class UserDescriptionDB;
    template <typename Elem> friend class detail::ListTracking;

    UserDescription() = default;

    void InitNew(const std::string& userID, const std::string& name, const std::weak_ptr<UserDescriptionList>& list);
    void SetParentList(const std::weak_ptr<UserDescriptionList>& list);
    void LoadFromRecord(const Record& row, const std::weak_ptr<UserDescriptionList>& list);
    void NotifyChanged();
    // Marks the user dirty and queues it in its list for the next Save.
    void MarkDirty();
    void MarkDeleted() noexcept { mIsDeleted = true; }
    void MarkClean() noexcept
    {
        mIsDirty = false;
        mIsNew = false;
    }
    void MarkNew() noexcept
    {
        mIsNew = true;
        mIsDeleted = false;
        mIsDirty = false;
    }

    std::int32_t mDatabaseID = 0;
    std::string mUserID;
    std::string mStoredUserID; // the UserID its row holds
    std::string mName;
    bool mSelected = false;
    bool mEnrolled = false;
    std::int32_t mAuthorityLevel = 0;
    std::vector<std::uint8_t> mTemplate;
    bool mIsDirty = false;
    bool mIsDeleted = false;
    bool mIsNew = true;
    bool mQueued = false;         // in its list's queue of users to save
    std::uint64_t mListOrder = 0; // its place in its list (0: in no list)
    std::weak_ptr<UserDescriptionList> mParentList;
    zel::Event<> mChanged;
};

} // namespace zel::data
