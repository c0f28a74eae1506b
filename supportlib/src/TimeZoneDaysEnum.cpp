#include "zel/support/TimeZoneDaysEnum.h"

#include <array>

namespace zel::support {

std::string DisplayName(TimeZoneDaysEnum value)
{
    static constexpr std::array<const char*, 8> kNames = {"Sunday",   "Monday", "Tuesday",  "Wednesday",
                                                          "Thursday", "Friday", "Saturday", "Holiday"};
    auto bits = static_cast<std::int32_t>(value);
    std::string text;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (bits & (1 << i)) {
            if (!text.empty())
                text += ", ";
            text += kNames[i];
        }
    }
    if ((bits & ~0xFF) != 0 || text.empty())
        return std::to_string(bits);
    return text;
}

} // namespace zel::support
