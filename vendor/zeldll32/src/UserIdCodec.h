#pragma once
// User IDs: a text of 1 to 10 decimal digits <-> 5 bytes of packed BCD, most significant digit
// first, right-aligned ("42" -> 00 00 00 00 42).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zel::vendor {

class UserIdCodec {
public:
    using Record = std::array<std::uint8_t, 5>;

    // Nothing unless the text is 1 to 10 characters, all of them '0'..'9'.
    static std::optional<Record> Encode(std::string_view text) noexcept;
    // The 10-digit text with leading zeros; nothing when a nibble is not a decimal digit.
    static std::optional<std::string> Decode(const Record& record);
};

} // namespace zel::vendor
