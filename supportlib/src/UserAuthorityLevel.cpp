#include "zel/support/UserAuthorityLevel.h"

namespace zel::support {

std::string DisplayName(UserAuthorityLevel value)
{
    switch (value) {
    case UserAuthorityLevel::None:
        return "None";
    case UserAuthorityLevel::Service:
        return "Service";
    case UserAuthorityLevel::Setup:
        return "Setup";
    case UserAuthorityLevel::Management:
        return "Management";
    case UserAuthorityLevel::Enrollment:
        return "Enrollment";
    case UserAuthorityLevel::Security:
        return "Security";
    }
    return std::to_string(static_cast<std::int32_t>(value));
}

} // namespace zel::support
