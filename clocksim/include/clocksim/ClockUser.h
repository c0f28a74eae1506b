#pragma once

#include "clocksim/ClockTypes.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zel::sim {

// One user as a clock keeps it. The user ID is 5 bytes of packed BCD (10 digits, the first
// digit in the high nibble of byte 0).
struct ClockUser {
    UserId Id{};
    Template Hand{};
    std::int32_t AuthorityLevel = 0;
    std::int16_t RejectThreshold = 0;
    std::uint8_t TimeZone = 0;

    // The 24-byte user record: ID, template, 2 zero bytes, level (32-bit), threshold (16-bit),
    // time zone, zero.
    std::array<std::uint8_t, UserRecordSize> ToRecord() const;
    // The 92-byte extended record: the user record followed by 68 zero bytes.
    std::array<std::uint8_t, ExtUserRecordSize> ToExtRecord() const;
    // The 16-byte data bank record: ID, template, 2 zero bytes.
    std::array<std::uint8_t, BankSlotRecordSize> ToBankRecord() const;

    // From a user record (at least 24 bytes) or a data bank record (16 bytes; level, threshold
    // and time zone then read as 0). Nothing when the ID is not valid BCD.
    static std::optional<ClockUser> FromRecord(std::span<const std::uint8_t> record);

    friend bool operator==(const ClockUser&, const ClockUser&) = default;
};

// True when all ten nibbles are decimal digits.
bool IsValidUserId(std::span<const std::uint8_t> id);
// "42" -> 00 00 00 00 42. Nothing for an empty text, more than 10 characters or a non-digit.
std::optional<UserId> UserIdFromText(std::string_view text);
// The ten digits with leading zeros ("0000000042"); '?' for a nibble that is not a digit.
std::string UserIdToText(const UserId& id);

} // namespace zel::sim
