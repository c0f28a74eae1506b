#include "clocksim/ClockUser.h"

#include <algorithm>
#include <cstring>

namespace zel::sim {

std::array<std::uint8_t, UserRecordSize> ClockUser::ToRecord() const
{
    std::array<std::uint8_t, UserRecordSize> r{};
    std::copy(Id.begin(), Id.end(), r.begin());
    std::copy(Hand.begin(), Hand.end(), r.begin() + 5);
    const auto level = static_cast<std::uint32_t>(AuthorityLevel);
    for (int i = 0; i < 4; ++i)
        r[16 + i] = static_cast<std::uint8_t>(level >> (8 * i));
    const auto threshold = static_cast<std::uint16_t>(RejectThreshold);
    r[20] = static_cast<std::uint8_t>(threshold & 0xFF);
    r[21] = static_cast<std::uint8_t>(threshold >> 8);
    r[22] = TimeZone;
    return r;
}

std::array<std::uint8_t, ExtUserRecordSize> ClockUser::ToExtRecord() const
{
    std::array<std::uint8_t, ExtUserRecordSize> r{};
    const auto base = ToRecord();
    std::copy(base.begin(), base.end(), r.begin());
    return r;
}

std::array<std::uint8_t, BankSlotRecordSize> ClockUser::ToBankRecord() const
{
    std::array<std::uint8_t, BankSlotRecordSize> r{};
    const auto base = ToRecord();
    std::copy(base.begin(), base.begin() + BankSlotRecordSize, r.begin());
    return r;
}

std::optional<ClockUser> ClockUser::FromRecord(std::span<const std::uint8_t> record)
{
    if (record.size() < BankSlotRecordSize || !IsValidUserId(record.first(UserIdSize)))
        return std::nullopt;
    ClockUser u;
    std::copy_n(record.begin(), UserIdSize, u.Id.begin());
    std::copy_n(record.begin() + 5, TemplateSize, u.Hand.begin());
    if (record.size() >= UserRecordSize) {
        std::uint32_t level = 0;
        for (int i = 0; i < 4; ++i)
            level |= static_cast<std::uint32_t>(record[16 + i]) << (8 * i);
        u.AuthorityLevel = static_cast<std::int32_t>(level);
        u.RejectThreshold = static_cast<std::int16_t>(record[20] | (record[21] << 8));
        u.TimeZone = record[22];
    }
    return u;
}

bool IsValidUserId(std::span<const std::uint8_t> id)
{
    if (id.size() != UserIdSize)
        return false;
    return std::all_of(id.begin(), id.end(), [](std::uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; });
}

std::optional<UserId> UserIdFromText(std::string_view text)
{
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::string digits(10 - text.size(), '0');
    digits += text;
    UserId id{};
    for (std::size_t i = 0; i < UserIdSize; ++i)
        id[i] = static_cast<std::uint8_t>(((digits[2 * i] - '0') << 4) | (digits[2 * i + 1] - '0'));
    return id;
}

std::string UserIdToText(const UserId& id)
{
    std::string text;
    for (std::uint8_t b : id) {
        for (int nibble : {b >> 4, b & 0x0F})
            text += nibble <= 9 ? static_cast<char>('0' + nibble) : '?';
    }
    return text;
}

} // namespace zel::sim
