#pragma once

#include "zel/Event.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zel::data {

class Record;
class ReaderDescriptionList;
class ReaderDescriptionDB;
namespace detail {
template <typename Elem> class ListTracking;
}

// One clock of the site, with change tracking. Created only by the library.
class ReaderDescription : public std::enable_shared_from_this<ReaderDescription> {
public:
    ReaderDescription(const ReaderDescription&) = delete;
    ReaderDescription& operator=(const ReaderDescription&) = delete;

    std::int32_t DatabaseID() const noexcept { return mDatabaseID; }

    std::uint8_t ReaderID() const noexcept { return mReaderID; }
    void SetReaderID(std::uint8_t readerID);

    const std::string& Name() const noexcept { return mName; }
    // Re-keys the clock in its list (it moves to the end). Error 5 "Reader 'X' already exists."
    // (also for a change of letter case only) or "Reader 'X' does not exist." (also for a clock
    // removed from its list); then nothing changes.
    void SetName(const std::string& name);

    const std::string& Location() const noexcept { return mLocation; }
    void SetLocation(const std::string& location);

    // The time zone the clock keeps its local time in: an IANA name such as "America/Chicago";
    // empty (also for rows saved before clocks had zones) means this machine's zone. Not checked
    // here: front ends check a name against the system's database (ClockZone) before setting it.
    const std::string& TimeZone() const noexcept { return mTimeZone; }
    void SetTimeZone(const std::string& zone);

    // The DatabaseID of the clock's channel description (not checked against the channel list).
    std::int32_t ChannelDescriptionID() const noexcept { return mChannelDescriptionID; }
    void SetChannelDescriptionID(std::int32_t id);

    bool IsDirty() const noexcept { return mIsDirty; }
    bool IsDeleted() const noexcept { return mIsDeleted; }
    bool IsNew() const noexcept { return mIsNew; }

    // {Name: Gate 2, ReaderID: 5, Location: Loading dock}
    std::string ToString() const;

    // Raised after a change of this clock has been written.
    zel::Event<>& Changed() noexcept { return mChanged; }

private:
    friend class ReaderDescriptionList;
    friend class ReaderDescriptionDB;
    template <typename Elem> friend class detail::ListTracking;

    ReaderDescription() = default;

    void SetParentList(const std::weak_ptr<ReaderDescriptionList>& list);
    void LoadFromRecord(const Record& row);
    void NotifyChanged();
    // Marks the clock dirty and queues it in its list for the next Save.
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
    std::int32_t mChannelDescriptionID = 0;
    std::string mName;
    std::string mStoredName; // the Name its row holds
    std::string mLocation;
    std::string mTimeZone;
    std::uint8_t mReaderID = 0;
    bool mIsDirty = false;
    bool mIsDeleted = false;
    bool mIsNew = true;
    bool mQueued = false;         // in its list's queue of clocks to save
    std::uint64_t mListOrder = 0; // its place in its list (0: in no list)
    std::weak_ptr<ReaderDescriptionList> mParentList;
    zel::Event<> mChanged;
};

} // namespace zel::data
