#include "UserIdCodec.h"

namespace zel::vendor {

std::optional<UserIdCodec::Record> UserIdCodec::Encode(std::string_view text) noexcept
{
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 10> digits{};
    const std::size_t pad = 10 - text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        digits[pad + i] = static_cast<std::uint8_t>(c - '0');
    }
    Record record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>((digits[2 * i] << 4) | digits[2 * i + 1]);
    }
    return record;
}

std::optional<std::string> UserIdCodec::Decode(const Record& record)
{
    std::string text;
    text.reserve(10);
    for (std::uint8_t b : record) {
        const int high = b >> 4;
        const int low = b & 0x0F;
        if (high > 9 || low > 9) {
            return std::nullopt;
        }
        text.push_back(static_cast<char>('0' + high));
        text.push_back(static_cast<char>('0' + low));
    }
    return text;
}

} // namespace zel::vendor
