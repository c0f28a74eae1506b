#pragma once

#include "zel/data/ChannelTypeEnum.h"
#include "zel/data/FieldValue.h"
#include "zel/data/IChannelDescription.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zel::data {

class Record;
class ChannelDescriptionList;
namespace detail {
template <typename Elem> class ListTracking;
}

// What the three channel kinds share: name, key, change tracking and their own row access to
// table Channels. Created only by the library.
class ChannelDescriptionBase : public IChannelDescription, public std::enable_shared_from_this<ChannelDescriptionBase> {
public:
    ChannelDescriptionBase(const ChannelDescriptionBase&) = delete;
    ChannelDescriptionBase& operator=(const ChannelDescriptionBase&) = delete;

    const std::string& Name() const override { return mName; }
    // A change of letter case only is ignored. Otherwise re-keys the channel in its list (it
    // moves to the end); error 5 "Channel name cannot be empty.", "The channel name 'X' already
    // exists." or "The channel name 'X' does not exist." (also for a channel removed from its
    // list); then nothing changes.
    void SetName(const std::string& name);

    bool IsDirty() const override { return mIsDirty; }
    bool IsDeleted() const noexcept { return mIsDeleted; }
    bool IsNew() const noexcept { return mIsNew; }
    std::int32_t DatabaseID() const override { return mDatabaseID; }

    virtual ChannelTypeEnum ChannelType() const = 0;

protected:
    ChannelDescriptionBase() = default;

    // Marks the channel dirty and queues it in its list for the next Save.
    void MarkDirty();
    [[noreturn]] static void ThrowInvalid(const char* message);
    // The serial line settings of the direct and modem kinds: error "Invalid port number" for a port
    // outside 1 to 8, "Invalid bit rate." for a rate below 1 (then `field` keeps its value).
    void SetComPortField(std::int32_t& field, std::int32_t port);
    void SetBitRateField(std::int32_t& field, std::int32_t bitRate);

    // The word stored in column Type: "Direct", "Modem" or "Ethernet".
    virtual const char* TypeWord() const = 0;
    // The kind's own columns, in the order they are written (without Name and Type).
    virtual void WriteOwnFields(std::vector<Field>& fields) const = 0;
    // Reads the kind's own columns (without Name and ID).
    virtual void LoadOwnFields(const Record& row) = 0;

private:
    friend class ChannelDescriptionList;
    template <typename Elem> friend class detail::ListTracking;

    void InsertNew(const std::string& name);
    std::int32_t WriteInsert() const;
    void LoadFromRecord(const Record& row);
    std::vector<Field> WriteFields() const;
    void SetParentList(const std::weak_ptr<ChannelDescriptionList>& list) { mParentList = list; }
    void MarkDeleted() noexcept { mIsDeleted = true; }
    void MarkClean() noexcept { mIsNew = mIsDirty = mIsDeleted = false; }
    void MarkNew() noexcept
    {
        mIsNew = true;
        mIsDirty = mIsDeleted = false;
    }

    std::int32_t mDatabaseID = 0;
    std::string mName;
    std::string mStoredName; // the Name its row holds
    bool mIsDirty = false;
    bool mIsDeleted = false;
    bool mIsNew = true;
    bool mQueued = false;         // in its list's queue of channels to save
    std::uint64_t mListOrder = 0; // its place in its list (0: in no list)
    std::weak_ptr<ChannelDescriptionList> mParentList;
};

} // namespace zel::data
