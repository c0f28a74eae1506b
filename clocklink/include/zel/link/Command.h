#pragma once
// Command codes of the clock wire protocol with their payload sizes.
//
// A request frame carries the command code; its response carries the same code with bit 7 set
// (ResponseCode). RequestSize is the exact payload length of a request. ResponseSize is the exact
// number of data bytes that follow the status byte in a successful response (status Ok); a
// response with any other status carries the status byte alone. See docs/clock-protocol.md.
#include <cstdint>
#include <optional>
#include <span>

namespace zel::link {

enum class Command : std::uint8_t {
    Status = 0x01,               // status poll (select check, enrollment progress): - -> StatusRecord
    GetReaderInfo = 0x02,        // - -> ReaderInfoRecord
    GetUserRecord = 0x03,        // UserIDRecord -> UserRecord
    GetExtUserRecord = 0x04,     // UserIDRecord -> ExtUserRecord
    PutUserRecord = 0x05,        // UserRecord -> -
    PutExtUserRecord = 0x06,     // ExtUserRecord -> -
    RemoveUserRecord = 0x07,     // UserIDRecord -> -
    ClearUserDataBase = 0x08,    // - -> -
    GetDataBank = 0x09,          // bank number (1 byte) -> 4096 bytes
    PutDataBank = 0x0A,          // bank number (1 byte) + 4096 bytes -> -
    GetSetupData = 0x0B,         // - -> SetupRecord
    PutSetupData = 0x0C,         // SetupRecord -> -
    UpdateNvRam = 0x0D,          // - -> -
    GetTime = 0x0E,              // - -> TimeRecord
    PutTime = 0x0F,              // TimeRecord -> -
    GetDataLogElement = 0x10,    // direction (1 byte: 0 next, 1 previous) -> DataLogRecord
    PutDisplayMessage = 0x11,    // DisplayMessageRecord -> -
    PutFkeyData = 0x12,          // 4096 bytes -> -
    EnrollUser = 0x13,           // - -> -   (starts the enrollment; progress through Status)
    GetLastTemplate = 0x14,      // - -> LastTemplateRecord
    VerifyOnExternalData = 0x15, // 32-bit number (LE) + 9 template bytes -> - (starts a verification)
    Abort = 0x16,                // - -> -   (cancels the clock's running enrollment or verification)
    ReadDataLog = 0x17,          // mode, count, serial -> log state + up to 64 DataLogRecords (ours)
};

// Record sizes on the wire (the same as the records of zeldll32.h).
inline constexpr std::uint16_t kUserIdRecordSize = 5;
inline constexpr std::uint16_t kUserRecordSize = 24;
inline constexpr std::uint16_t kExtUserRecordSize = 92;
inline constexpr std::uint16_t kReaderInfoRecordSize = 104;
inline constexpr std::uint16_t kSetupRecordSize = 144;
inline constexpr std::uint16_t kTimeRecordSize = 6;
inline constexpr std::uint16_t kDataBankSize = 4096;
inline constexpr std::uint16_t kFkeyDataSize = 4096;
inline constexpr std::uint16_t kDataLogRecordSize = 28;
inline constexpr std::uint16_t kDisplayMessageRecordSize = 44;
inline constexpr std::uint16_t kStatusRecordSize = 96;
inline constexpr std::uint16_t kLastTemplateRecordSize = 12;
inline constexpr std::uint16_t kTemplateSize = 9;

// Offsets inside the StatusRecord that the protocol gives a meaning (32-bit little-endian words).
inline constexpr std::size_t kStatusActivityOffset = 0;  // non-zero while a hand is being read
inline constexpr std::size_t kStatusLedOffset = 4;       // four 32-bit LED states
inline constexpr std::size_t kStatusCompleteOffset = 40; // running command complete when non-zero
inline constexpr std::size_t kStatusTimedOutOffset = 44; // running command timed out when non-zero

// Offsets inside the ReaderInfoRecord.
inline constexpr std::size_t kInfoModelOffset = 0;      // 2 = newer model, anything else base model
inline constexpr std::size_t kInfoUserCountOffset = 50; // 16-bit signed LE

inline constexpr std::uint8_t kResponseBit = 0x80;
inline constexpr std::uint8_t kLogNext = 0;
inline constexpr std::uint8_t kLogPrevious = 1;

// ReadDataLog: the request is mode (1), count (1), serial (4, LE). Modes: next events from the
// cursor, previous events from the cursor, or the events logged after the given serial number (0:
// from the oldest held). Count 0 reads nothing and leaves the cursor alone (the log state only).
// The response is the log state (kDataLogStateSize bytes: first serial held, next serial, cursor
// serial, capacity, serial of the first event returned, all 32-bit LE; then the number n of events)
// and n DataLogRecords in the order read.
inline constexpr std::uint8_t kLogAfterSerial = 2;
inline constexpr std::uint8_t kDataLogReadMax = 64;
inline constexpr std::uint16_t kDataLogReadRequestSize = 6;
inline constexpr std::uint16_t kDataLogStateSize = 21;
inline constexpr std::size_t kLogStateFirstOffset = 0;
inline constexpr std::size_t kLogStateNextOffset = 4;
inline constexpr std::size_t kLogStateCursorOffset = 8;
inline constexpr std::size_t kLogStateCapacityOffset = 12;
inline constexpr std::size_t kLogStateFirstReadOffset = 16;
inline constexpr std::size_t kLogStateCountOffset = 20;

struct CommandInfo {
    Command Code;
    const char* Name;
    std::uint16_t RequestSize;  // exact request payload length
    std::uint16_t ResponseSize; // data bytes after the status byte when the status is Ok (the most)
    // When ResponseUnit is not 0 the response is shorter by whole units: ResponseHeader bytes and
    // then any number of ResponseUnit-byte items, up to ResponseSize in all.
    std::uint16_t ResponseHeader = 0;
    std::uint16_t ResponseUnit = 0;
};

// Whether `dataSize` bytes after the status byte are a well-formed answer to the command: -1 too
// few, 0 right, 1 too many.
int CheckResponseSize(const CommandInfo& info, std::size_t dataSize) noexcept;

// Every command, in code order.
std::span<const CommandInfo> Commands() noexcept;

// The description of a request code, or nothing for an unknown code (response codes included).
const CommandInfo* FindCommand(std::uint8_t code) noexcept;
const CommandInfo& Describe(Command command) noexcept;

constexpr std::uint8_t RequestCode(Command command) noexcept
{
    return static_cast<std::uint8_t>(command);
}
constexpr std::uint8_t ResponseCode(Command command) noexcept
{
    return static_cast<std::uint8_t>(static_cast<std::uint8_t>(command) | kResponseBit);
}
constexpr bool IsResponseCode(std::uint8_t code) noexcept
{
    return (code & kResponseBit) != 0;
}

} // namespace zel::link
