#pragma once

#include <cstdint>
#include <string>

namespace zel::support {

// What a user may do at a clock; the site database stores it as this number.
enum class UserAuthorityLevel : std::int32_t {
    None = 0,
    Service = 1,
    Setup = 2,
    Management = 3,
    Enrollment = 4,
    Security = 5,
};

// "None", "Service", "Setup", "Management", "Enrollment", "Security"; the number otherwise.
std::string DisplayName(UserAuthorityLevel value);

} // namespace zel::support
