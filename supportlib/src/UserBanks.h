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

// Reads banks 0 to 9 until the first empty slot. An unreadable bank or a repeated ID ends the
// read quietly; what was read so far is the result. The clock must already be selected.
std::shared_ptr<UserList> ReadUserBanks(Channel& channel, const BankLayout& layout, const BankUserMaker& makeUser);

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
