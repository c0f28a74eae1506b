#pragma once
// The rules of the list editors (users, clocks, channels) and their messages, in one place: the
// program's editors and zelctl's add and set commands both ask these before they store anything.
// Every check answers nothing when the values pass, else the editor's refusal.
#include "zel/data/ChannelTypeEnum.h"
#include "zel/workflows/Refusal.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zel::data {
class ChannelDescriptionList;
class IChannelDescription;
class ReaderDescription;
class ReaderDescriptionList;
class UserDescription;
class UserDescriptionList;
} // namespace zel::data

namespace zel::workflows {

inline constexpr std::size_t MaxUserNameLength = 20;
inline constexpr std::size_t MaxClockNameLength = 20;
inline constexpr std::int32_t MaxAuthorityLevel = 5;

// The characters (code points) of UTF-8 text: what the length rules count.
std::size_t CharacterCount(std::string_view utf8);

// The whole number in `text`: blanks around it allowed, decimal digits only (no sign, no
// fraction). Nothing for any other text, the empty text too. Values beyond 32 bits read as
// INT32_MAX.
std::optional<std::int64_t> WholeNumber(std::string_view text);

// The number at the start of `text`, as the clock editor's range test reads it: leading blanks,
// an optional sign, digits and an optional fraction; text without one reads as 0.
double LeadingNumber(std::string_view text);

// An authority level written as its number (0 to 5) or its name ("None", "Service", "Setup",
// "Management", "Enrollment", "Security"; letter case not counted). Nothing for anything else.
std::optional<std::int32_t> AuthorityLevelFromText(std::string_view text);

// Users ------------------------------------------------------------------------------------------

// The user editor's field checks, in its order: the user ID's rule (UserIDProblem: 1 to 10
// characters, not the number 0), the name's length 1 to 20 ("User name must be between 1 and 20
// characters."), a level chosen (`level` not below 0: "Invalid user authority level.").
std::optional<Refusal> CheckUserFields(std::string_view userID, std::string_view name, std::int32_t level);
// The name's part of it: "User name must be between 1 and 20 characters.".
std::optional<Refusal> CheckUserName(std::string_view name);

// What the user editor checks against the list before it stores `typedID` and `name`: adding
// (`editing` nullptr), an ID that a user of the list has, also written with leading zeros, is
// refused ("The User ID already exists."); editing, a changed name that another user has ("The
// User Name already exists.") and a changed ID that another user has with leading zeros. `Store`
// is the ID to store: the typed one without leading zeros, or the user's own one when it was
// left as it was. A changed ID that another user has exactly is left to the list, which refuses
// it itself ("New User ID already exists.").
struct UserKeys {
    std::optional<Refusal> Refused;
    std::string Store;
};
UserKeys CheckUserKeys(const zel::data::UserDescriptionList& list, const zel::data::UserDescription* editing,
                       const std::string& typedID, const std::string& name);

// Clocks -----------------------------------------------------------------------------------------

// The clock editor's field checks, in its order: the reader ID's leading number within 0 to 255
// ("Reader ID must be between 0 and 255.") and a whole number ("Reader ID must be a whole number
// between 0 and 255."), the name's length 1 to 20 ("Reader name must be between 1 and 20
// characters."), a channel chosen (`channelID` not below 0: "A Channel must be selected.").
// `ReaderID` is the reader ID when they pass.
struct ClockFields {
    std::optional<Refusal> Refused;
    std::uint8_t ReaderID = 0;
};
ClockFields CheckClockFields(std::string_view readerID, std::string_view name, std::int32_t channelID);

// A name that another clock of the list has (letter case not counted), when adding (`editing`
// nullptr) or when changing the name of `editing`: "A clock with that name already exists."
std::optional<Refusal> CheckClockName(const zel::data::ReaderDescriptionList& list,
                                      const zel::data::ReaderDescription* editing, const std::string& name);

// A clock's time zone: empty (this machine's zone) or a name the system's time zone database
// holds; otherwise "The time zone 'X' is not in this machine's time zone database ..." with the
// title "Unknown Time Zone".
std::optional<Refusal> CheckClockZone(const std::string& zone);

// Channels ---------------------------------------------------------------------------------------

// The channel editor's field checks: an empty name (refused without a box), for Ethernet an
// address ("The IP Address cannot be empty.") and a port that is a whole number ("The IP Port
// must be a whole number between 1 and 65535.", `ipPort` nothing) within 1 to 65535 ("The IP Port
// must be between 1 and 65535."), for a modem a phone number (refused without a box).
std::optional<Refusal> CheckChannelFields(zel::data::ChannelTypeEnum type, std::string_view name,
                                          std::string_view phoneNumber, std::string_view ipAddress,
                                          std::optional<std::int64_t> ipPort);

// The serial lines the channel editor offers: ports "Com 1" to "Com 8", and these bit rates.
inline constexpr std::int32_t MaxComPort = 8;
inline constexpr std::array<std::int32_t, 6> BitRates{300, 1200, 4800, 9600, 19200, 28800};

// A port or bit rate that the channel editor does not offer (its boxes offer no other), in the
// site database's words: "Invalid port number", "Invalid bit rate.".
std::optional<Refusal> CheckSerialFields(std::int32_t comPort, std::int32_t bitRate);

// A name that another channel of the list has (letter case not counted), when adding (`editing`
// nullptr) or when changing the name of `editing`: "A Channel with that name already exists."
std::optional<Refusal> CheckChannelName(const zel::data::ChannelDescriptionList& list,
                                        const zel::data::IChannelDescription* editing, const std::string& name);

} // namespace zel::workflows
