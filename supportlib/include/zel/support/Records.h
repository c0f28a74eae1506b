#pragma once

#include "zel/DateTime.h"
#include "zeldll32.h"

#include <array>
#include <cstdint>

namespace zel::support {

// Fixed-size little-endian byte records exchanged with the clock library.
using UserIDRecord = std::array<std::uint8_t, ZEL_USER_ID_RECORD_SIZE>;
using UserRecord = std::array<std::uint8_t, ZEL_USER_RECORD_SIZE>;
using ExtUserRecord = std::array<std::uint8_t, ZEL_EXT_USER_RECORD_SIZE>;
using ReaderInfoRecord = std::array<std::uint8_t, ZEL_READER_INFO_RECORD_SIZE>;
using SetupRecord = std::array<std::uint8_t, ZEL_SETUP_RECORD_SIZE>;
using TimeRecord = std::array<std::uint8_t, ZEL_TIME_RECORD_SIZE>;
using DataBank = std::array<std::uint8_t, ZEL_DATA_BANK_SIZE>;
using DataLogRecord = std::array<std::uint8_t, ZEL_DATA_LOG_RECORD_SIZE>;
using DisplayMessageRecord = std::array<std::uint8_t, ZEL_DISPLAY_MESSAGE_RECORD_SIZE>;
using StatusRecord = std::array<std::uint8_t, ZEL_STATUS_RECORD_SIZE>;
using LastTemplateRecord = std::array<std::uint8_t, ZEL_LAST_TEMPLATE_RECORD_SIZE>;

// Field offsets used by this library.
namespace layout {
inline constexpr std::size_t kUserId = 0;                    // UserRecord: 5 bytes
inline constexpr std::size_t kUserTemplate = 5;              // UserRecord: 9 bytes
inline constexpr std::size_t kUserAuthority = 16;            // UserRecord: int32
inline constexpr std::size_t kUserReject = 20;               // UserRecord: int16
inline constexpr std::size_t kUserTimeZone = 22;             // UserRecord: uint8
inline constexpr std::size_t kBankSlotSize = 16;             // data-bank record of a user
inline constexpr std::size_t kReaderModel = 0;               // ReaderInfoRecord: model code
inline constexpr std::size_t kReaderUserCount = 50;          // ReaderInfoRecord: int16
inline constexpr std::size_t kSetupOptions = 117;            // SetupRecord: option bits
inline constexpr std::uint8_t kTimeAndAttendanceBit = 0x01;  // of kSetupOptions
inline constexpr std::uint8_t kDepartmentTrackingBit = 0x02; // of kSetupOptions
inline constexpr std::size_t kSetupDstStart = 126;           // SetupRecord: TimeRecord
inline constexpr std::size_t kSetupDstEnd = 132;             // SetupRecord: TimeRecord
inline constexpr std::size_t kSetupTimeFormat = 140;         // SetupRecord: int32
inline constexpr std::size_t kLastTemplate = 2;              // LastTemplateRecord: 9 bytes
inline constexpr std::int32_t kNewerModelCode = 2;
} // namespace layout

std::int32_t GetInt32LE(const std::uint8_t* p);
void PutInt32LE(std::uint8_t* p, std::int32_t value);
std::int16_t GetInt16LE(const std::uint8_t* p);
void PutInt16LE(std::uint8_t* p, std::int16_t value);

// Two-digit years from a clock: 0..29 are 2000..2029, 30..99 are 1930..1999.
int ExpandTwoDigitYear(int yearInCentury);

// A 6-byte time record (second, minute, hour, day, month, year in the century) at p.
// Raises number 5 when the record does not hold a valid date and time.
zel::DateTime ReadTimeRecord(const std::uint8_t* p);
// Writes the last two digits of the year. Raises number 5 (source "ZelClock") for a year outside
// 1930..2029, which the clock would give back as another year.
void WriteTimeRecord(std::uint8_t* p, const zel::DateTime& value);
void CheckClockYear(const zel::DateTime& value);

} // namespace zel::support
