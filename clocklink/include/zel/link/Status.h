#pragma once
// Status byte of a response frame (first payload byte) and the result codes of zeldll32.
#include <cstdint>

namespace zel::link {

// Result codes of the vendor library: 0 success, 1..12 failure. Nothing else is ever returned.
enum class Result : std::int32_t {
    Ok = 0,
    DataError = 1,
    ComError = 2,
    NoConnection = 3,
    Timeout = 4,
    BadCrc = 5,
    ParseOverflow = 6,
    ParseUnderflow = 7,
    InvalidChannel = 8,
    InvalidSocket = 9,
    InvalidBuffer = 10,
    SocketError = 11,
    Cancelled = 12,
};

// What a clock answers in the first payload byte of every response.
enum class Status : std::uint8_t {
    Ok = 0x00,             // done; the command's response data follow
    DataError = 0x01,      // a field of the request is out of range (bank number, time, record contents)
    NotFound = 0x02,       // no user with that ID (GetUserRecord, RemoveUserRecord, ...)
    MemoryFull = 0x03,     // user capacity of the model reached
    UnknownCommand = 0x04, // the clock does not know the command code
    WrongLength = 0x05,    // request payload length differs from the command's RequestSize
    Busy = 0x06,           // refused while an enrollment or verification runs
    Aborted = 0x07,        // the command was cancelled by an Abort
    BadCrc = 0x08,         // the clock saw a frame for itself with a bad CRC (optional)
    NotSupported = 0x09,   // the command exists but this clock model does not offer it
};

// Maps a status byte to the vendor result code. Ok -> 0; DataError, NotFound, MemoryFull -> 1;
// UnknownCommand, WrongLength, Busy, NotSupported and every undefined value -> 2; Aborted -> 12;
// BadCrc -> 5.
std::int32_t ResultFromStatus(std::uint8_t status) noexcept;

constexpr std::int32_t ToInt(Result result) noexcept
{
    return static_cast<std::int32_t>(result);
}

// Short English name of a result code, "unknown" outside 0..12.
const char* ResultName(std::int32_t result) noexcept;

} // namespace zel::link
