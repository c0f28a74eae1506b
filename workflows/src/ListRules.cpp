#include "zel/workflows/ListRules.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/ClockZone.h"
#include "zel/support/UserAuthorityLevel.h"
#include "zel/workflows/UserIDs.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace zel::workflows {

namespace {

Refusal Plain(std::string message)
{
    return Refusal{std::move(message), {}, false, false};
}

Refusal Exclaimed(std::string message, std::string title)
{
    return Refusal{std::move(message), std::move(title), true, false};
}

Refusal Silent(std::string message)
{
    return Refusal{std::move(message), {}, false, true};
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool LengthWithin(std::string_view text, std::size_t most)
{
    const std::size_t length = CharacterCount(text);
    return length >= 1 && length <= most;
}

} // namespace

std::size_t CharacterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    return count;
}

std::optional<std::int64_t> WholeNumber(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    if (first == last)
        return std::nullopt;
    constexpr std::int64_t most = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (std::size_t i = first; i < last; ++i) {
        if (!IsDigit(text[i]))
            return std::nullopt;
        if (value < most)
            value = value * 10 + (text[i] - '0');
    }
    return std::min(value, most);
}

double LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::size_t end = i;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && IsDigit(text[end]))
            ++end;
    }
    // from_chars does not depend on the locale (a comma never counts as the decimal point).
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + end, value);
    if (ec != std::errc() || ptr != text.data() + end)
        return 0.0;
    return negative ? -value : value;
}

std::optional<std::int32_t> AuthorityLevelFromText(std::string_view text)
{
    const std::string trimmed = zel::Trim(text);
    if (const auto number = WholeNumber(trimmed); number && *number <= MaxAuthorityLevel)
        return static_cast<std::int32_t>(*number);
    for (std::int32_t level = 0; level <= MaxAuthorityLevel; ++level)
        if (zel::EqualsNoCase(trimmed, zel::support::DisplayName(static_cast<zel::support::UserAuthorityLevel>(level))))
            return level;
    return std::nullopt;
}

std::optional<Refusal> CheckUserFields(std::string_view userID, std::string_view name, std::int32_t level)
{
    if (std::string problem = UserIDProblem(userID); !problem.empty())
        return Plain(std::move(problem));
    if (auto refusal = CheckUserName(name))
        return refusal;
    if (level < 0)
        return Plain("Invalid user authority level.");
    return std::nullopt;
}

std::optional<Refusal> CheckUserName(std::string_view name)
{
    if (!LengthWithin(name, MaxUserNameLength))
        return Plain("User name must be between 1 and 20 characters.");
    return std::nullopt;
}

UserKeys CheckUserKeys(const zel::data::UserDescriptionList& list, const zel::data::UserDescription* editing,
                       const std::string& typedID, const std::string& name)
{
    const Refusal idTaken = Exclaimed("The User ID already exists.", "User ID Already Exists");
    // A new or changed user ID is stored as the clocks give it back: without leading zeros.
    const std::string userID = UserIDWithoutLeadingZeros(typedID);
    if (!editing) {
        if (list.Contains(userID) || UserIDHeldByOther(list, userID, nullptr))
            return {idTaken, userID};
        return {std::nullopt, userID};
    }
    if (editing->Name() != name && list.NameHeldByOther(name, editing))
        return {Exclaimed("The User Name already exists.", "User ID Already Exists"), userID};
    // A stored ID left as it was is kept as it is, also with leading zeros (a row of an older site).
    const std::string store = typedID == editing->UserID() ? typedID : userID;
    if (store != editing->UserID() && !list.Contains(store) && UserIDHeldByOther(list, store, editing))
        return {idTaken, store};
    return {std::nullopt, store};
}

ClockFields CheckClockFields(std::string_view readerID, std::string_view name, std::int32_t channelID)
{
    const double number = LeadingNumber(readerID);
    if (number < 0 || number > 255)
        return {Plain("Reader ID must be between 0 and 255.")};
    // Within the range but not a whole number (empty, letters, a fraction): refused too, rather
    // than stored as some number the administrator did not type.
    const auto whole = WholeNumber(readerID);
    if (!whole)
        return {Plain("Reader ID must be a whole number between 0 and 255.")};
    if (!LengthWithin(name, MaxClockNameLength))
        return {Plain("Reader name must be between 1 and 20 characters.")};
    if (channelID < 0)
        return {Plain("A Channel must be selected.")};
    return {std::nullopt, static_cast<std::uint8_t>(*whole)};
}

std::optional<Refusal> CheckClockName(const zel::data::ReaderDescriptionList& list,
                                      const zel::data::ReaderDescription* editing, const std::string& name)
{
    if ((!editing || editing->Name() != name) && list.Contains(name))
        return Exclaimed("A clock with that name already exists.", "Clock Name Already Exists");
    return std::nullopt;
}

std::optional<Refusal> CheckClockZone(const std::string& zone)
{
    try {
        zel::support::ClockZone::Check(zone);
    } catch (const zel::Error& error) {
        return Exclaimed(error.Description(), "Unknown Time Zone");
    }
    return std::nullopt;
}

std::optional<Refusal> CheckChannelFields(zel::data::ChannelTypeEnum type, std::string_view name,
                                          std::string_view phoneNumber, std::string_view ipAddress,
                                          std::optional<std::int64_t> ipPort)
{
    if (name.empty())
        return Silent("Channel name cannot be empty.");
    switch (type) {
    case zel::data::EthernetChannel:
        if (ipAddress.empty())
            return Exclaimed("The IP Address cannot be empty.", "No IP Address");
        if (!ipPort)
            return Exclaimed("The IP Port must be a whole number between 1 and 65535.", "Invalid IP Port");
        if (*ipPort < 1 || *ipPort > 65535)
            return Exclaimed("The IP Port must be between 1 and 65535.", "Invalid IP Port");
        return std::nullopt;
    case zel::data::ModemChannel:
        if (phoneNumber.empty())
            return Silent("A modem channel needs a phone number.");
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<Refusal> CheckSerialFields(std::int32_t comPort, std::int32_t bitRate)
{
    if (comPort < 1 || comPort > MaxComPort)
        return Plain("Invalid port number");
    if (std::find(BitRates.begin(), BitRates.end(), bitRate) == BitRates.end())
        return Plain("Invalid bit rate.");
    return std::nullopt;
}

std::optional<Refusal> CheckChannelName(const zel::data::ChannelDescriptionList& list,
                                        const zel::data::IChannelDescription* editing, const std::string& name)
{
    if ((!editing || editing->Name() != name) && list.Contains(name))
        return Exclaimed("A Channel with that name already exists.", "Channel Name Already Exists");
    return std::nullopt;
}

} // namespace zel::workflows
