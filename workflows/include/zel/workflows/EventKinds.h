#pragma once
// What the kinds of clock log events mean to a person, and where an event names its user.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::workflows {

// Groups of event kinds a person filters by.
enum class EventCategory {
    Punch,      // a user was let in or clocked (identity verified, exit granted, amnesty punch)
    Refusal,    // a hand or user was refused (identity unknown, access denied, no hand read, ...)
    UserChange, // a user was enrolled, removed, added from a card or given another time zone
    Setup,      // the clock's setup, time, memory or command mode changed
    Alarm,      // door, tamper, duress and the inputs and outputs
};

// "Identity verified" for 7; "Unknown event (N)" for a value outside 0..51.
std::string EventKindText(std::int32_t formatType);
EventCategory CategoryOf(std::int32_t formatType);
// "Punches", "Refusals", "User changes", "Setup changes", "Alarms and doors".
const char* CategoryText(EventCategory category);
std::vector<std::int32_t> FormatTypesOf(EventCategory category);
// "punch", "refusal", "user-change", "setup", "alarm": the groups as a command line names them.
const char* CategoryWord(EventCategory category);
// The kinds a word names, in any case: a group's word (CategoryWord) or one kind's text as
// EventKindText writes it ("Identity verified"). Empty for a word that names neither.
std::vector<std::int32_t> FormatTypesNamed(const std::string& word);
inline constexpr std::array<EventCategory, 5> kAllCategories{EventCategory::Punch, EventCategory::Refusal,
                                                             EventCategory::UserChange, EventCategory::Setup,
                                                             EventCategory::Alarm};

// True for the kinds whose Data1 carries a user ID: its first five bytes are the user ID record
// (10 decimal digits as packed BCD, most significant first).
bool CarriesUserID(std::int32_t formatType);
// The user ID an event carries, without leading zeros ("42"); empty when its kind carries none or
// its bytes are not decimal digits.
std::string EventUserID(std::int32_t formatType, const std::array<std::uint8_t, 6>& data1);

} // namespace zel::workflows
