#pragma once

// Plain types shared by the clock emulator: models, record sizes, answer codes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/link/Status.h"

namespace zel::sim {

// The two clock models. The newer model reports model code 2 in its reader info record.
enum class ClockModel : std::uint8_t { Base = 1, Vt9 = 2 };

inline constexpr int ModelCode(ClockModel model)
{
    return static_cast<int>(model);
}
inline constexpr std::size_t Capacity(ClockModel model)
{
    return model == ClockModel::Vt9 ? 530 : 2560;
}
// "base" / "vt9"
inline constexpr const char* ModelName(ClockModel model)
{
    return model == ClockModel::Vt9 ? "vt9" : "base";
}

// Record sizes in bytes (the same as the vendor library's).
inline constexpr std::size_t UserIdSize = 5;
inline constexpr std::size_t TemplateSize = 9;
inline constexpr std::size_t UserRecordSize = 24;
inline constexpr std::size_t ExtUserRecordSize = 92;
inline constexpr std::size_t ReaderInfoRecordSize = 104;
inline constexpr std::size_t SetupRecordSize = 144;
inline constexpr std::size_t TimeRecordSize = 6;
inline constexpr std::size_t DataBankSize = 4096;
inline constexpr std::size_t FkeyDataSize = 4096;
inline constexpr std::size_t DataLogRecordSize = 28;
inline constexpr std::size_t DisplayMessageRecordSize = 44;
inline constexpr std::size_t StatusRecordSize = 96;
inline constexpr std::size_t LastTemplateRecordSize = 12;

// Data bank layouts.
inline constexpr std::size_t BankSlotRecordSize = 16; // user ID, template, two zero bytes
inline constexpr std::size_t BaseSlotSize = 16;
inline constexpr std::size_t BaseSlotsPerBank = 256;
inline constexpr std::size_t Vt9SlotSize = 77;
inline constexpr std::size_t Vt9SlotsPerBank = 53;
inline constexpr int BankCount = 10; // banks 0..9 on both models

inline constexpr std::size_t SlotSize(ClockModel m)
{
    return m == ClockModel::Vt9 ? Vt9SlotSize : BaseSlotSize;
}
inline constexpr std::size_t SlotsPerBank(ClockModel m)
{
    return m == ClockModel::Vt9 ? Vt9SlotsPerBank : BaseSlotsPerBank;
}

// Event log format types used by the emulator (values of the log's format type field).
namespace dlf {
inline constexpr std::int32_t BufferEmpty = 0;
inline constexpr std::int32_t UserEnrolled = 1;
inline constexpr std::int32_t IdentityVerified = 7;
inline constexpr std::int32_t UserRemoved = 8;
inline constexpr std::int32_t TimeAndDateSet = 24;
inline constexpr std::int32_t MemoryCleared = 41;
} // namespace dlf

using Bytes = std::vector<std::uint8_t>;
using UserId = std::array<std::uint8_t, UserIdSize>;
using Template = std::array<std::uint8_t, TemplateSize>;
using DataLogRecord = std::array<std::uint8_t, DataLogRecordSize>;
using SetupRecord = std::array<std::uint8_t, SetupRecordSize>;

// What a clock answers to one command: a code (0 = done) and the answer's payload.
// A status other than Ok carries no payload.
struct Reply {
    link::Status Status = link::Status::Ok;
    Bytes Payload;
};

} // namespace zel::sim
