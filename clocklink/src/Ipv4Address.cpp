#include "zel/link/Ipv4Address.h"

namespace zel::link {
namespace {

constexpr char kBlank = ' ';
constexpr std::size_t kMaxDigits = 3;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<Ipv4Address> Ipv4Address::Parse(std::string_view text)
{
    std::array<std::uint8_t, 4> octets{};
    std::size_t at = 0;
    const auto skipBlanks = [&] {
        while (at < text.size() && text[at] == kBlank) {
            ++at;
        }
    };
    for (std::size_t part = 0; part < octets.size(); ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') {
                return std::nullopt;
            }
            ++at;
        }
        skipBlanks();
        const std::size_t first = at;
        unsigned value = 0;
        while (at < text.size() && IsDigit(text[at]) && at - first < kMaxDigits) {
            value = value * 10 + static_cast<unsigned>(text[at] - '0');
            ++at;
        }
        if (at == first || value > 255 || (at < text.size() && IsDigit(text[at]))) {
            return std::nullopt; // no digit, above 255, or a fourth digit
        }
        octets[part] = static_cast<std::uint8_t>(value);
        skipBlanks();
    }
    if (at != text.size()) {
        return std::nullopt; // a fifth part, or any other character after the fourth number
    }
    return Ipv4Address(octets);
}

std::string Ipv4Address::ToString() const
{
    std::string text;
    for (std::size_t i = 0; i < mOctets.size(); ++i) {
        if (i > 0) {
            text += '.';
        }
        text += std::to_string(mOctets[i]);
    }
    return text;
}

} // namespace zel::link
