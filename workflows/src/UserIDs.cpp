#include "zel/workflows/UserIDs.h"

#include "zel/Text.h"

#include <algorithm>

namespace zel::workflows {

std::string UserIDWithoutLeadingZeros(std::string_view id)
{
    if (!zel::IsAllDigits(id))
        return std::string(id);
    const auto first = id.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(id.substr(first));
}

std::string UserIDProblem(std::string_view id)
{
    constexpr std::ptrdiff_t kMaxLength = 10;
    // Characters, not bytes: a UTF-8 continuation byte starts no character.
    const auto characters =
        std::count_if(id.begin(), id.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    if (id.empty() || characters > kMaxLength)
        return "User ID must be between 1 and 10 digits.";
    if (UserIDWithoutLeadingZeros(id) == "0")
        return "User ID 0 names no user: choose a number from 1 to 9999999999.";
    return {};
}

} // namespace zel::workflows
