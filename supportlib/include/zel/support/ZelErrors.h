#pragma once

#include <cstdint>
#include <string>

namespace zel::support {

// The error numbers of clock traffic: the base of an object's own errors (0x80040000) plus the
// result code of the clock library.
enum class ZelErrors : long {
    Success = -2147221504,
    DataError = -2147221503,
    ComError = -2147221502,
    NoConnection = -2147221501,
    ComTimeout = -2147221500,
    BadCrc = -2147221499,
    ParseOverflow = -2147221498,
    ParseUnderflow = -2147221497,
    InvalidChannel = -2147221496,
    InvalidSocket = -2147221495,
    InvalidBuffer = -2147221494,
    SocketEerror = -2147221493,
    CancelIO = -2147221492,
};

inline constexpr long kZelErrorBase = -2147221504;

// Source of the errors raised for clock traffic.
inline constexpr const char* kChannelErrorSource = "Channel";
// Source of the argument checks of this library (number 5).
inline constexpr const char* kZelClockErrorSource = "ZelClock";

// The fixed text of a result code 1..12 ("Channel Data Error" ...); for any other code a text
// that names the code.
std::string ZelErrorText(std::int32_t code);

// Raises the error for a result code of the clock library: nothing for 0; number
// kZelErrorBase + code, source "Channel" and the code's text otherwise. A code outside 0..12
// raises the same way, with a text that names the code.
void CheckResult(std::int32_t code);

// Raises number 5 with source "ZelClock" and the given text.
[[noreturn]] void RaiseInvalidArgument(const std::string& description);

} // namespace zel::support
