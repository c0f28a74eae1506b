#include "zel/support/TimeDisplayFormatEnum.h"

namespace zel::support {

std::string DisplayName(TimeDisplayFormatEnum value)
{
    switch (value) {
    case TimeDisplayFormatEnum::Hour24:
        return "24-Hour";
    case TimeDisplayFormatEnum::Hour12:
        return "12-Hour";
    }
    return std::to_string(static_cast<std::int32_t>(value));
}

} // namespace zel::support
