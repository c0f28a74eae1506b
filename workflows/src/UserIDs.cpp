#include "zel/workflows/UserIDs.h"

#include "zel/Text.h"

namespace zel::workflows {

std::string UserIDWithoutLeadingZeros(std::string_view id)
{
    if (!zel::IsAllDigits(id))
        return std::string(id);
    const auto first = id.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(id.substr(first));
}

} // namespace zel::workflows
