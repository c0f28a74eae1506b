#pragma once
// CRC-16 of the clock wire protocol: CRC-16/CCITT-FALSE (polynomial 0x1021, initial value 0xFFFF,
// no reflection, no final XOR). Check value: Crc16("123456789") == 0x29B1.
#include <cstddef>
#include <cstdint>
#include <span>

namespace zel::link {

inline constexpr std::uint16_t kCrcInit = 0xFFFF;

// Continues a running CRC over `bytes`; start with kCrcInit.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = kCrcInit) noexcept;

} // namespace zel::link
