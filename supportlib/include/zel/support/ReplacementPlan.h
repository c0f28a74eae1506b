#pragma once

#include "zel/support/Records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::support {

// A clock model's user memory as the wire protocol sees it.
struct ClockGeometry {
    std::size_t SlotsPerBank = 256; // users in one data bank
    std::size_t SlotSize = 16;      // bytes a slot takes in a bank
    std::size_t RecordSize = 24;    // bytes of the user record sent one by one (24, or the extended 92)

    // The most users the clock holds: its ten data banks full.
    std::size_t Capacity() const;
    // Bytes on the line (request and answer frames) of the exchanges a replacement makes.
    std::size_t SelectBytes() const; // Status, once before the first command
    std::size_t InfoBytes() const;   // GetReaderInfo: the clock's user count
    std::size_t BankBytes() const;   // GetDataBank or PutDataBank
    std::size_t RecordBytes() const; // PutUserRecord / PutExtUserRecord
    std::size_t RemoveBytes() const; // RemoveUserRecord
    std::size_t ClearBytes() const;  // ClearUserDataBase
    static ClockGeometry Base();     // 256 slots of 16 bytes, 24-byte records
    static ClockGeometry Newer();    // 53 slots of 77 bytes, 92-byte records
};

// A user as a replacement compares it: the key the clock knows it by (its UserIDRecord), its
// data-bank record and its whole record.
struct PlanUser {
    std::string ID;                      // the ID text (no leading zeros from a clock)
    UserIDRecord Key{};                  // what the clock tells users apart by
    std::array<std::uint8_t, 16> Slot{}; // its data-bank record: ID and template
    UserRecord Record{};                 // its whole record
    bool RecordKnown = true;             // false for a user read from the banks: only Slot is known

    // True when the whole record holds more than the slot carries (a level, threshold or time zone).
    bool NeedsRecord() const;
    static PlanUser FromRecord(const std::string& id, const UserRecord& record);
    static PlanUser FromSlot(const std::string& id, const std::uint8_t* slot);
};

// The order of writes that makes a clock hold exactly the wanted users without ever holding fewer
// of the users it held that are wanted (the stayers) than it did before the first write, so that
// a line that drops after any frame locks nobody out who could clock in before.
//
// The protocol's rules it builds on (docs/clock-protocol.md, "Writing users"): RemoveUserRecord and
// PutUserRecord change one user and keep the others in their order; PutDataBank k keeps the users
// at positions below k x SlotsPerBank (a user of the bank with the ID of one of them replaces it
// there), the bank's other users follow in the bank's order and every user after them is dropped.
//
// - An empty clock is written straight away. A clock that holds no stayer is cleared first.
// - Otherwise the users not wanted are removed one by one, then the new users and the stayers held
//   differently are written: in data banks, each written at the bank that holds the clock's last
//   user and carrying that bank's users again (so its truncation drops no one), or one by one,
//   whichever costs fewer bytes on the line. A bank slot carries ID and template only: a user whose
//   record holds more (a level, a reject threshold, a time zone) is always sent with its record.
// - A held user known only by its slot (read from the banks) is held as wanted when its slot is
//   the wanted one and the wanted record holds no more than the slot; otherwise it is written.
//
// Make raises number 5 (source "ZelClock") before anything is planned when more users are wanted
// than the clock holds. A wanted ID given twice is taken once (the first).
struct ReplacementPlan {
    struct Frame {
        enum class Kind { Clear, Remove, Bank, Record };
        Kind What = Kind::Record;
        std::int32_t Bank = 0;          // Bank: the bank number
        std::vector<std::size_t> Slots; // Bank: the wanted users in slot order
        std::vector<std::size_t> Fresh; // Bank, Record: the wanted users this frame writes (confirmed by its answer)
        std::size_t Held = 0;           // Remove: the held user
    };

    std::vector<std::size_t> Wanted;      // the wanted users planned for (indexes, a repeated ID left out)
    std::vector<std::size_t> AlreadyHeld; // wanted users the clock holds as wanted: left alone
    std::vector<std::size_t> Leaving;     // held users not wanted
    bool ClearFirst = false;
    std::vector<Frame> Frames;

    static ReplacementPlan Make(const std::vector<PlanUser>& held, const std::vector<PlanUser>& wanted,
                                const ClockGeometry& geometry);

    // Bytes of the frames on the line, without selecting the clock and reading its users.
    std::size_t Bytes(const ClockGeometry& geometry) const;
};

} // namespace zel::support
