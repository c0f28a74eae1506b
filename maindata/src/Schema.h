#pragma once

// Names of the tables and columns of the site database.
namespace zel::data::schema {

inline constexpr const char* Users = "Users";
inline constexpr const char* Readers = "Readers";
inline constexpr const char* Channels = "Channels";

inline constexpr const char* ID = "ID";
inline constexpr const char* UserID = "UserID";
inline constexpr const char* Name = "Name";
inline constexpr const char* AuthorityLevel = "AuthorityLevel";
inline constexpr const char* Enrolled = "Enrolled";
inline constexpr const char* Template = "Template";
inline constexpr const char* ReaderID = "ReaderID";
inline constexpr const char* ChannelDescID = "ChannelDescID";
inline constexpr const char* Location = "Location";
inline constexpr const char* Type = "Type";
inline constexpr const char* Port = "Port";
inline constexpr const char* BitRate = "BitRate";
inline constexpr const char* TimeZone = "TimeZone";

} // namespace zel::data::schema
