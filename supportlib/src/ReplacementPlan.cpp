#include "zel/support/ReplacementPlan.h"

#include "UserBanks.h"

#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <deque>
#include <map>

namespace zel::support {
namespace {

// Framing of one exchange: start byte, reader ID, command, sequence number, length (2), CRC (2);
// an answer carries a status byte besides.
constexpr std::size_t kFrame = 8;

constexpr std::size_t Exchange(std::size_t request, std::size_t answer)
{
    return kFrame + request + kFrame + 1 + answer;
}

constexpr std::size_t npos = static_cast<std::size_t>(-1);

using Frame = ReplacementPlan::Frame;

// The frames that write `queue` (new users first, then the stayers to write in place) in data
// banks, from the clock's order `order` (wanted indexes) on; what they leave goes to `rest`.
std::vector<Frame> PlanBanks(std::vector<std::size_t> order, std::deque<std::size_t> queue,
                             const std::vector<std::size_t>& stayerAt, const ClockGeometry& geometry,
                             std::vector<std::size_t>& rest)
{
    const std::size_t perBank = geometry.SlotsPerBank;
    const auto isNew = [&](std::size_t user) { return stayerAt[user] == npos; };
    std::vector<Frame> frames;
    while (!queue.empty()) {
        // The bank where the clock's next user would go: writing it keeps every user before it,
        // and it carries the users already in it (the tail) again, so it drops no one.
        const std::size_t bank = std::min(order.size() / perBank, static_cast<std::size_t>(kUserBankCount - 1));
        const std::size_t tailStart = bank * perBank;
        const std::size_t room = perBank - std::min(perBank, order.size() - tailStart);
        // A short room left in a bank is cheaper to fill one by one (new users follow the last
        // one too): the banks after it then start empty.
        if (room > 0 && room < perBank && room * geometry.RecordBytes() < geometry.BankBytes() &&
            static_cast<std::size_t>(std::count_if(queue.begin(), queue.end(), isNew)) > room) {
            for (std::size_t filled = 0; filled < room; ++filled) {
                const std::size_t user = queue.front(); // new users come first
                queue.pop_front();
                frames.push_back({Frame::Kind::Record, 0, {}, {user}, 0});
                order.push_back(user);
            }
            continue;
        }
        Frame frame;
        frame.What = Frame::Kind::Bank;
        frame.Bank = static_cast<std::int32_t>(bank);
        frame.Slots.assign(order.begin() + static_cast<std::ptrdiff_t>(tailStart), order.end());
        // Stayers to write that sit in the tail are written by it at no cost.
        for (std::size_t user : frame.Slots) {
            auto it = std::find(queue.begin(), queue.end(), user);
            if (it != queue.end()) {
                frame.Fresh.push_back(user);
                queue.erase(it);
            }
        }
        while (!queue.empty() && frame.Slots.size() < perBank) {
            const std::size_t user = queue.front();
            queue.pop_front();
            frame.Slots.push_back(user);
            frame.Fresh.push_back(user);
            if (isNew(user))
                order.push_back(user); // it follows the clock's last user
            // a stayer before the tail is replaced where it is
        }
        if (frame.Fresh.empty())
            break; // the clock is full to its last bank: the rest go one by one
        frames.push_back(std::move(frame));
    }
    // A last bank that writes so few users that one by one costs less.
    while (!frames.empty() && frames.back().What == Frame::Kind::Bank &&
           frames.back().Fresh.size() * geometry.RecordBytes() < geometry.BankBytes()) {
        for (auto it = frames.back().Fresh.rbegin(); it != frames.back().Fresh.rend(); ++it)
            queue.push_front(*it);
        frames.pop_back();
    }
    rest.assign(queue.begin(), queue.end());
    return frames;
}

} // namespace

std::size_t ClockGeometry::Capacity() const
{
    return static_cast<std::size_t>(kUserBankCount) * SlotsPerBank;
}

std::size_t ClockGeometry::SelectBytes() const
{
    return Exchange(0, ZEL_STATUS_RECORD_SIZE);
}

std::size_t ClockGeometry::InfoBytes() const
{
    return Exchange(0, ZEL_READER_INFO_RECORD_SIZE);
}

std::size_t ClockGeometry::BankBytes() const
{
    return Exchange(1 + ZEL_DATA_BANK_SIZE, 0); // the same as reading one: Exchange(1, 4096)
}

std::size_t ClockGeometry::RecordBytes() const
{
    return Exchange(RecordSize, 0);
}

std::size_t ClockGeometry::RemoveBytes() const
{
    return Exchange(ZEL_USER_ID_RECORD_SIZE, 0);
}

std::size_t ClockGeometry::ClearBytes() const
{
    return Exchange(0, 0);
}

ClockGeometry ClockGeometry::Base()
{
    return {256, 16, ZEL_USER_RECORD_SIZE};
}

ClockGeometry ClockGeometry::Newer()
{
    return {53, 77, ZEL_EXT_USER_RECORD_SIZE};
}

bool PlanUser::NeedsRecord() const
{
    return std::any_of(Record.begin() + layout::kUserAuthority, Record.end(), [](std::uint8_t b) { return b != 0; });
}

PlanUser PlanUser::FromRecord(const std::string& id, const UserRecord& record)
{
    PlanUser user;
    user.ID = id;
    std::copy_n(record.begin(), user.Key.size(), user.Key.begin());
    std::copy_n(record.begin(), user.Slot.size(), user.Slot.begin());
    user.Record = record;
    return user;
}

PlanUser PlanUser::FromSlot(const std::string& id, const std::uint8_t* slot)
{
    UserRecord record{};
    std::copy_n(slot, layout::kBankSlotSize, record.begin());
    PlanUser user = FromRecord(id, record);
    user.RecordKnown = false;
    return user;
}

ReplacementPlan ReplacementPlan::Make(const std::vector<PlanUser>& held, const std::vector<PlanUser>& wanted,
                                      const ClockGeometry& geometry)
{
    ReplacementPlan plan;
    std::map<UserIDRecord, std::size_t> wantedByKey;
    for (std::size_t w = 0; w < wanted.size(); ++w)
        if (wantedByKey.emplace(wanted[w].Key, w).second)
            plan.Wanted.push_back(w);
    if (plan.Wanted.size() > geometry.Capacity())
        RaiseInvalidArgument("The clock holds at most " + std::to_string(geometry.Capacity()) + " users; " +
                             std::to_string(plan.Wanted.size()) + " are to be written.");

    // Stayers, in the clock's order; the users not wanted.
    std::vector<std::size_t> stayerAt(wanted.size(), npos); // wanted -> held
    std::vector<std::size_t> order;                         // the clock's users after the removals
    for (std::size_t h = 0; h < held.size(); ++h) {
        auto it = wantedByKey.find(held[h].Key);
        if (it == wantedByKey.end() || stayerAt[it->second] != npos) {
            plan.Leaving.push_back(h);
            continue;
        }
        stayerAt[it->second] = h;
        order.push_back(it->second);
    }
    if (!held.empty() && order.empty()) {
        plan.ClearFirst = true; // no one to keep: one clear instead of a removal each
        plan.Frames.push_back({Frame::Kind::Clear, 0, {}, {}, 0});
    } else {
        for (std::size_t h : plan.Leaving)
            plan.Frames.push_back({Frame::Kind::Remove, 0, {}, {}, h});
    }

    // What to write: new users first (they fill the banks), then stayers held differently.
    std::deque<std::size_t> bankable;
    std::vector<std::size_t> changed, byRecord;
    for (std::size_t w : plan.Wanted) {
        const PlanUser& user = wanted[w];
        if (const std::size_t h = stayerAt[w]; h != npos) {
            const bool same =
                held[h].RecordKnown ? held[h].Record == user.Record : held[h].Slot == user.Slot && !user.NeedsRecord();
            if (same) {
                plan.AlreadyHeld.push_back(w);
                continue;
            }
            if (!user.NeedsRecord())
                changed.push_back(w);
            else
                byRecord.push_back(w);
            continue;
        }
        if (user.NeedsRecord())
            byRecord.push_back(w);
        else
            bankable.push_back(w);
    }
    const std::size_t toBank = bankable.size() + changed.size();
    bankable.insert(bankable.end(), changed.begin(), changed.end());

    std::vector<std::size_t> rest;
    std::vector<Frame> banks = PlanBanks(order, bankable, stayerAt, geometry, rest);
    ReplacementPlan banked;
    banked.Frames = banks;
    if (banked.Bytes(geometry) + rest.size() * geometry.RecordBytes() >= toBank * geometry.RecordBytes()) {
        banks.clear(); // one by one is no dearer
        rest.assign(bankable.begin(), bankable.end());
    }
    for (auto& frame : banks)
        plan.Frames.push_back(std::move(frame));
    // The rest one by one, in the order wanted.
    rest.insert(rest.end(), byRecord.begin(), byRecord.end());
    std::sort(rest.begin(), rest.end());
    for (std::size_t w : rest)
        plan.Frames.push_back({Frame::Kind::Record, 0, {}, {w}, 0});
    return plan;
}

std::size_t ReplacementPlan::Bytes(const ClockGeometry& geometry) const
{
    std::size_t bytes = 0;
    for (const Frame& frame : Frames) {
        switch (frame.What) {
        case Frame::Kind::Clear:
            bytes += geometry.ClearBytes();
            break;
        case Frame::Kind::Remove:
            bytes += geometry.RemoveBytes();
            break;
        case Frame::Kind::Bank:
            bytes += geometry.BankBytes();
            break;
        case Frame::Kind::Record:
            bytes += geometry.RecordBytes();
            break;
        }
    }
    return bytes;
}

} // namespace zel::support
