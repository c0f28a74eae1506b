#pragma once

#include "zel/support/IReader.h"
#include "zel/support/Records.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace zel::support {

class Channel;

// How a clock model lays out users in its 4096-byte data banks: fixed-size slots, each starting
// with the 16-byte bank record of one user; 0xFF marks an empty slot and the end of the list.
struct BankLayout {
    std::size_t SlotsPerBank;
    std::size_t SlotSize;
};

// Makes a user from the 16-byte bank record at the start of a slot.
using BankUserMaker = std::function<std::shared_ptr<IUser>(const std::uint8_t* record)>;

// The first byte of an empty slot, which also ends the list.
constexpr std::uint8_t kEmptySlot = 0xFF;

// The most data banks a clock holds users in.
constexpr int kUserBankCount = 10;

// How many banks `userCount` users fill (0 for none, at most kUserBankCount); a negative count is
// unknown and gives kUserBankCount.
int BanksFilledBy(std::int32_t userCount, std::size_t slotsPerBank);

// Reads banks 0 to banks - 1 (at most kUserBankCount) until the first empty slot. An unreadable
// bank or a repeated ID ends the read quietly; what was read so far is the result. The clock must
// already be selected.
std::shared_ptr<UserList> ReadUserBanks(Channel& channel, const BankLayout& layout, const BankUserMaker& makeUser,
                                        int banks = kUserBankCount);

// For k = 0 .. count - 1: step(k) (when given; false stops), check(k) (raises to refuse the item
// before the clock is addressed), select() once before the first act, act(k). Returns how many
// acts ran.
std::size_t ActAfterOneSelect(std::size_t count, const UserStep& step, const std::function<void(std::size_t)>& check,
                              const std::function<void()>& select, const std::function<void(std::size_t)>& act);

// Refuses a user (an item that is an IUser) whose ID is not 1 to 10 digits (User::CheckID);
// any other item, such as a time-zone table, passes. Called before the clock is addressed.
void CheckVisitorToSend(const IReaderVisitor& item);

// Refuses an empty list, one holding an empty item, or one holding a user with a bad ID
// (CheckVisitorToSend), before anything is sent.
void CheckUserListToSend(const VisitorList& list);

// Writes the users into as many banks as they need (the rest of each bank 0xFF) and sends them
// in order. The clock must already be selected.
void WriteUserBanks(Channel& channel, const VisitorList& list, const BankLayout& layout);

} // namespace zel::support
