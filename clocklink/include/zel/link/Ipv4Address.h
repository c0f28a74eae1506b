#pragma once
// An IPv4 address, and the one rule by which its text is read. The vendor library (zelInitWsock)
// dials only what Parse accepts, and the communication library (ChannelFactory /
// EthernetConnector) refuses what Parse refuses, so an address is never accepted on one side and
// then silently not dialled on the other.
//
// The text is exactly four numbers separated by "."; each number is 1 to 3 ASCII digits with a
// value 0..255, read as decimal (leading zeros are allowed and never mean octal: "010" is ten).
// Blanks (U+0020 only) may stand around each number. Everything else is refused: tabs and other
// white space, an empty or fifth part, signs, a fourth digit ("0001"), any other character,
// an embedded NUL.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zel::link {

class Ipv4Address {
public:
    explicit Ipv4Address(const std::array<std::uint8_t, 4>& octets) : mOctets(octets) {}

    // The address the text names, or nothing when the text breaks the rule above. The whole
    // view is examined.
    static std::optional<Ipv4Address> Parse(std::string_view text);

    const std::array<std::uint8_t, 4>& Octets() const { return mOctets; }
    // The canonical dotted-decimal text ("127.0.0.1"): no blanks, no leading zeros.
    std::string ToString() const;

    bool operator==(const Ipv4Address&) const = default;

private:
    std::array<std::uint8_t, 4> mOctets;
};

} // namespace zel::link
