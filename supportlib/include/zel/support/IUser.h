#pragma once

#include "zel/support/UserAuthorityLevel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zel::support {

inline constexpr std::size_t kTemplateSize = 9;

// A user of a clock: ID text (up to ten digits), authority level, reject threshold, time zone
// number and 9-byte hand template.
class IUser {
public:
    virtual ~IUser() = default;

    virtual std::string ID() const = 0;
    virtual void SetID(const std::string& value) = 0;
    virtual UserAuthorityLevel AuthorityLevel() const = 0;
    virtual void SetAuthorityLevel(UserAuthorityLevel value) = 0;
    virtual std::int16_t RejectThreshold() const = 0;
    virtual void SetRejectThreshold(std::int16_t value) = 0;
    virtual std::uint8_t TimeZone() const = 0;
    virtual void SetTimeZone(std::uint8_t value) = 0;
    // A new array of the 9 template bytes.
    virtual std::vector<std::uint8_t> Template() const = 0;
    // Copies elements 0..8; fewer than 9 elements raise number 5 (source "ZelClock").
    virtual void SetTemplate(const std::vector<std::uint8_t>& value) = 0;
};

} // namespace zel::support
