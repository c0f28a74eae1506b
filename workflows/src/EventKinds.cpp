#include "zel/workflows/EventKinds.h"

#include "zel/Text.h"

#include <algorithm>

namespace zel::workflows {

namespace {

constexpr std::array<const char*, 52> kTexts{
    "Log empty",
    "User enrolled",
    "No hand read",
    "Identity unknown",
    "Exit granted",
    "Score",
    "Access denied",
    "Identity verified",
    "User removed",
    "Command mode entered",
    "Command mode left",
    "Recalibrated",
    "Two-person time-out",
    "Door forced open",
    "Tamper switch activated",
    "Supervisor override",
    "User added from card",
    "Auxiliary input on",
    "Request to exit",
    "Auxiliary output on",
    "Bit rate changed",
    "Messages read",
    "Unit address changed",
    "Site code changed",
    "Time and date set",
    "Lock setup changed",
    "Passwords changed",
    "Reject threshold set",
    "Auxiliary output setup changed",
    "Printer setup changed",
    "Extended data logs",
    "Door open too long",
    "Users listed",
    "Database saved",
    "Database restored",
    "Amnesty punch granted",
    "Reject override changed",
    "Authority level changed",
    "Operating mode changed",
    "Output mode changed",
    "Maximum ID length changed",
    "Memory cleared",
    "Access refused (time zone)",
    "Time zones changed",
    "User time zone changed",
    "Duress alarm",
    "Lock output on",
    "Lock output off",
    "Auxiliary output off",
    "Special enrollment",
    "Auxiliary unlock (Wiegand)",
    "Time restrictions",
};

// Kinds whose Data1 starts with the user ID record.
constexpr std::array<std::int32_t, 13> kWithUser{1, 3, 4, 5, 6, 7, 8, 15, 16, 35, 42, 44, 45};

// A group as the Events page shows it and as a command line names it.
struct CategoryNames {
    EventCategory Category;
    const char* Text;
    const char* Word;
};
constexpr std::array<CategoryNames, 5> kCategoryNames{{
    {EventCategory::Punch, "Punches", "punch"},
    {EventCategory::Refusal, "Refusals", "refusal"},
    {EventCategory::UserChange, "User changes", "user-change"},
    {EventCategory::Setup, "Setup changes", "setup"},
    {EventCategory::Alarm, "Alarms and doors", "alarm"},
}};

const CategoryNames& NamesOf(EventCategory category)
{
    for (const auto& names : kCategoryNames)
        if (names.Category == category)
            return names;
    static constexpr CategoryNames none{EventCategory::Setup, "", ""};
    return none;
}

} // namespace

std::string EventKindText(std::int32_t formatType)
{
    if (formatType < 0 || formatType >= static_cast<std::int32_t>(kTexts.size()))
        return "Unknown event (" + std::to_string(formatType) + ")";
    return kTexts[static_cast<std::size_t>(formatType)];
}

EventCategory CategoryOf(std::int32_t formatType)
{
    switch (formatType) {
    case 4:
    case 7:
    case 15:
    case 35:
        return EventCategory::Punch;
    case 2:
    case 3:
    case 5:
    case 6:
    case 12:
    case 42:
    case 51:
        return EventCategory::Refusal;
    case 1:
    case 8:
    case 16:
    case 44:
    case 49:
        return EventCategory::UserChange;
    case 13:
    case 14:
    case 17:
    case 18:
    case 19:
    case 31:
    case 45:
    case 46:
    case 47:
    case 48:
    case 50:
        return EventCategory::Alarm;
    default:
        return EventCategory::Setup;
    }
}

const char* CategoryText(EventCategory category)
{
    return NamesOf(category).Text;
}

std::vector<std::int32_t> FormatTypesOf(EventCategory category)
{
    std::vector<std::int32_t> types;
    for (std::int32_t type = 1; type < static_cast<std::int32_t>(kTexts.size()); ++type)
        if (CategoryOf(type) == category)
            types.push_back(type);
    return types;
}

const char* CategoryWord(EventCategory category)
{
    return NamesOf(category).Word;
}

std::vector<std::int32_t> FormatTypesNamed(const std::string& word)
{
    for (auto category : kAllCategories)
        if (zel::EqualsNoCase(word, CategoryWord(category)))
            return FormatTypesOf(category);
    for (std::size_t type = 0; type < kTexts.size(); ++type)
        if (zel::EqualsNoCase(word, kTexts[type]))
            return {static_cast<std::int32_t>(type)};
    return {};
}

bool CarriesUserID(std::int32_t formatType)
{
    return std::find(kWithUser.begin(), kWithUser.end(), formatType) != kWithUser.end();
}

std::string EventUserID(std::int32_t formatType, const std::array<std::uint8_t, 6>& data1)
{
    if (!CarriesUserID(formatType))
        return {};
    std::string digits;
    for (std::size_t i = 0; i < 5; ++i) {
        const int high = data1[i] >> 4, low = data1[i] & 0x0F;
        if (high > 9 || low > 9)
            return {};
        digits.push_back(static_cast<char>('0' + high));
        digits.push_back(static_cast<char>('0' + low));
    }
    const auto first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

} // namespace zel::workflows
