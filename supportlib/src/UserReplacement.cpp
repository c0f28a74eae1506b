#include "zel/support/UserReplacement.h"

#include "UserBanks.h"

#include "zel/Error.h"
#include "zel/support/Channel.h"
#include "zel/support/Reader.h"
#include "zel/support/User.h"
#include "zel/support/VT9Reader.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <set>

namespace zel::support {
namespace {

constexpr std::uint8_t kEmptySlot = 0xFF;

using Frame = ReplacementPlan::Frame;

UserReplacement::Step::Kind StepKind(Frame::Kind kind)
{
    switch (kind) {
    case Frame::Kind::Clear:
        return UserReplacement::Step::Kind::Clear;
    case Frame::Kind::Remove:
        return UserReplacement::Step::Kind::Remove;
    case Frame::Kind::Bank:
        return UserReplacement::Step::Kind::Bank;
    case Frame::Kind::Record:
        break;
    }
    return UserReplacement::Step::Kind::Record;
}

// The wanted user of an item: its whole record, built (and its ID checked) before the clock is addressed.
PlanUser WantedUser(const std::shared_ptr<IReaderVisitor>& item)
{
    if (!item)
        RaiseInvalidArgument("No user to send.");
    const auto* given = dynamic_cast<const IUser*>(item.get());
    if (!given)
        RaiseInvalidArgument("Only users can make up a clock's user list.");
    User user;
    user.SetID(given->ID());
    user.SetAuthorityLevel(given->AuthorityLevel());
    user.SetRejectThreshold(given->RejectThreshold());
    user.SetTimeZone(given->TimeZone());
    user.SetTemplate(given->Template());
    return PlanUser::FromRecord(given->ID(), user.ToRecord()); // ToRecord refuses a bad ID
}

} // namespace

UserReplacement::UserReplacement(IReader& reader)
{
    if (auto* newer = dynamic_cast<VT9Reader*>(&reader)) {
        mReader = newer->InnerReader().get();
        mExtended = true;
        mGeometry = ClockGeometry::Newer();
    } else if (auto* base = dynamic_cast<Reader*>(&reader)) {
        mReader = base;
        mGeometry = ClockGeometry::Base();
    }
    if (!mReader || !mReader->GetChannel())
        RaiseInvalidArgument("The users of this clock cannot be replaced: it is not a clock of this library.");
}

void UserReplacement::SetHeld(std::vector<PlanUser> held)
{
    mGivenHeld = std::move(held);
}

bool UserReplacement::Tell(Step step)
{
    return !mStep || mStep(step);
}

bool UserReplacement::Run(const VisitorList& users)
{
    mWrites = UserWrites{};
    mPlan = ReplacementPlan{};
    mHeld.clear();
    mBanksRead = 0;
    std::vector<PlanUser> wanted;
    wanted.reserve(users.size());
    std::set<UserIDRecord> keys;
    for (const auto& item : users) {
        wanted.push_back(WantedUser(item));
        keys.insert(wanted.back().Key);
    }
    mWrites.Wanted = static_cast<int>(keys.size());
    if (keys.size() > mGeometry.Capacity()) // refused before the clock is addressed
        RaiseInvalidArgument("The clock holds at most " + std::to_string(mGeometry.Capacity()) + " users; " +
                             std::to_string(keys.size()) + " are to be written.");

    Channel& channel = *mReader->GetChannel();
    mReader->SelectReader(); // once, for every frame that follows
    const std::int32_t count = GetInt16LE(channel.GetReaderInfo().data() + layout::kReaderUserCount);
    if (mGivenHeld) {
        if (count != static_cast<std::int32_t>(mGivenHeld->size()))
            RaiseInvalidArgument("The clock holds " + std::to_string(count) + " users, not the " +
                                 std::to_string(mGivenHeld->size()) + " it was read with: read it again.");
        mHeld = *mGivenHeld;
    } else {
        const int banks = count > 0 ? BanksFilledBy(count, mGeometry.SlotsPerBank) : 0;
        std::set<UserIDRecord> seen;
        for (int bank = 0; bank < banks; ++bank) {
            if (!Tell({Step::Kind::Read, static_cast<std::size_t>(bank), static_cast<std::size_t>(banks), {}, {}}))
                return false;
            const DataBank data = channel.GetDataBank(bank);
            ++mBanksRead;
            for (std::size_t slot = 0; slot < mGeometry.SlotsPerBank; ++slot) {
                const std::uint8_t* start = data.data() + slot * mGeometry.SlotSize;
                if (start[0] == kEmptySlot) {
                    bank = banks; // the list ends here
                    break;
                }
                std::string id = Channel::IDToText(start);
                PlanUser user = PlanUser::FromSlot(id.empty() ? std::string("0") : id, start);
                if (!seen.insert(user.Key).second)
                    RaiseInvalidArgument("The clock's data banks give user " + user.ID +
                                         " twice; its user list cannot be trusted.");
                mHeld.push_back(std::move(user));
            }
        }
        if (static_cast<std::int32_t>(mHeld.size()) != std::max(count, 0))
            RaiseInvalidArgument("The clock counts " + std::to_string(count) + " users, but its data banks give " +
                                 std::to_string(mHeld.size()) + ".");
    }
    mWrites.ClockRead = true;

    mPlan = ReplacementPlan::Make(mHeld, wanted, mGeometry);
    mWrites.Planned = true;
    mWrites.Wanted = static_cast<int>(mPlan.Wanted.size());
    mWrites.AlreadyHeld = static_cast<int>(mPlan.AlreadyHeld.size());
    std::vector<bool> held(wanted.size(), false);
    for (std::size_t w : mPlan.AlreadyHeld)
        held[w] = true;
    for (std::size_t w : mPlan.Wanted)
        if (!held[w])
            mWrites.Lacking.push_back(wanted[w].ID);
    for (std::size_t h : mPlan.Leaving)
        mWrites.NotRemoved.push_back(mHeld[h].ID);

    const std::size_t total = mPlan.Frames.size();
    for (std::size_t i = 0; i < total; ++i) {
        const Frame& frame = mPlan.Frames[i];
        Step step{StepKind(frame.What), i, total, frame.Fresh, {}};
        if (frame.What == Frame::Kind::Remove)
            step.UserID = mHeld[frame.Held].ID;
        else if (frame.What == Frame::Kind::Record)
            step.UserID = wanted[frame.Fresh.front()].ID;
        if (!Tell(std::move(step)))
            return false;
        try {
            Carry(frame, wanted);
        } catch (const std::exception& error) {
            if (MayHaveBeenCarriedOut(error))
                Unconfirmed(frame, wanted);
            throw;
        }
        Confirm(frame, wanted);
    }
    return true;
}

void UserReplacement::Carry(const Frame& frame, const std::vector<PlanUser>& wanted)
{
    Channel& channel = *mReader->GetChannel();
    switch (frame.What) {
    case Frame::Kind::Clear:
        channel.ClearUserDataBase();
        return;
    case Frame::Kind::Remove:
        channel.RemoveUserRecord(mHeld[frame.Held].ID);
        return;
    case Frame::Kind::Bank: {
        DataBank data;
        data.fill(kEmptySlot);
        for (std::size_t s = 0; s < frame.Slots.size(); ++s)
            std::copy(wanted[frame.Slots[s]].Slot.begin(), wanted[frame.Slots[s]].Slot.end(),
                      data.begin() + static_cast<std::ptrdiff_t>(s * mGeometry.SlotSize));
        channel.SetDataBank(frame.Bank, data);
        return;
    }
    case Frame::Kind::Record: {
        const UserRecord& record = wanted[frame.Fresh.front()].Record;
        if (!mExtended) {
            channel.HereIsUserRecord(record);
            return;
        }
        ExtUserRecord extended{};
        std::copy(record.begin(), record.end(), extended.begin());
        channel.HereIsExtUserRecord(extended);
        return;
    }
    }
}

void UserReplacement::Confirm(const Frame& frame, const std::vector<PlanUser>& wanted)
{
    auto drop = [](std::vector<std::string>& list, const std::string& id) {
        if (auto it = std::find(list.begin(), list.end(), id); it != list.end())
            list.erase(it);
    };
    switch (frame.What) {
    case Frame::Kind::Clear:
        mWrites.Removed += static_cast<int>(mHeld.size());
        mWrites.Cleared = true;
        mWrites.NotRemoved.clear();
        return;
    case Frame::Kind::Remove:
        ++mWrites.Removed;
        drop(mWrites.NotRemoved, mHeld[frame.Held].ID);
        return;
    case Frame::Kind::Bank:
        ++mWrites.Banks;
        mWrites.ByBank += static_cast<int>(frame.Fresh.size());
        break;
    case Frame::Kind::Record:
        ++mWrites.OneByOne;
        break;
    }
    for (std::size_t w : frame.Fresh)
        drop(mWrites.Lacking, wanted[w].ID);
}

void UserReplacement::Unconfirmed(const Frame& frame, const std::vector<PlanUser>& wanted)
{
    switch (frame.What) {
    case Frame::Kind::Clear:
        for (const PlanUser& user : mHeld)
            mWrites.Uncertain.push_back(user.ID);
        return;
    case Frame::Kind::Remove:
        mWrites.Uncertain.push_back(mHeld[frame.Held].ID);
        return;
    case Frame::Kind::Bank:
    case Frame::Kind::Record:
        for (std::size_t w : frame.Fresh)
            mWrites.Uncertain.push_back(wanted[w].ID);
        return;
    }
}

std::size_t UserReplacement::WireBytes() const
{
    const std::size_t banksRead =
        mGivenHeld
            ? 0
            : static_cast<std::size_t>(BanksFilledBy(static_cast<std::int32_t>(mHeld.size()), mGeometry.SlotsPerBank));
    return mGeometry.SelectBytes() + mGeometry.InfoBytes() + banksRead * mGeometry.BankBytes() + mPlan.Bytes(mGeometry);
}

} // namespace zel::support
