#include "zel/support/DisplayDurationEnum.h"

namespace zel::support {

std::string DisplayName(DisplayDurationEnum value)
{
    auto n = static_cast<std::int32_t>(value);
    if (n < kDisplayDurationFirst || n > kDisplayDurationLast)
        return std::to_string(n);
    return std::to_string(n / 2) + (n % 2 ? ".5" : ".0") + " - Seconds";
}

} // namespace zel::support
