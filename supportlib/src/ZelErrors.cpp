#include "zel/support/ZelErrors.h"

#include "zel/Error.h"

#include <array>

namespace zel::support {
namespace {

constexpr std::array<const char*, 13> kErrorTexts = {
    "",
    "Channel Data Error",
    "Channel Communication Error",
    "No Connection Established",
    "Channel Communication Timeout",
    "Bad Data CRC",
    "Parsing Overflow",
    "Parsing Underflow",
    "Invalid Channel",
    "Invalid Channel Socket",
    "Invalid Channel Buffer",
    "Channel Socket Error",
    "Channel IO Cancel",
};

} // namespace

std::string ZelErrorText(std::int32_t code)
{
    if (code >= 1 && code <= 12)
        return kErrorTexts[static_cast<std::size_t>(code)];
    return "Unknown Channel Error (code " + std::to_string(code) + ")";
}

void CheckResult(std::int32_t code)
{
    if (code == 0)
        return;
    throw zel::Error(kZelErrorBase + code, kChannelErrorSource, ZelErrorText(code));
}

void RaiseInvalidArgument(const std::string& description)
{
    throw zel::Error(zel::errc::InvalidArgument, kZelClockErrorSource, description);
}

} // namespace zel::support
