#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zel {

// Case folding for keys: ASCII letters and the Latin-1 letters (as UTF-8) fold to lower case.
std::string FoldCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

std::string Trim(std::string_view text);

// UTF-8 <-> Windows-1252 (the clocks' code page). Characters that Windows-1252 cannot
// show become '?'. Invalid UTF-8 bytes are taken as Latin-1.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

// Byte array <-> template text: byte i is the character U+00i (Latin-1), stored as UTF-8.
// Every byte value survives the round trip.
std::string BytesToTemplateText(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> TemplateTextToBytes(std::string_view text);

// True when the text is made only of the decimal digits 0-9 (and is not empty).
bool IsAllDigits(std::string_view text);

// True for a character that acts on the text around it instead of showing itself, so that a
// name holding it could move, reorder or hide what stands after it in a table or list: control
// characters (U+0000-U+001F, U+007F-U+009F), the bidirectional marks, embeddings, overrides and
// isolates (U+061C, U+200E, U+200F, U+202A-U+202E, U+2066-U+2069) and the line and paragraph
// separators (U+2028, U+2029).
bool IsActingCharacter(char32_t c);
// UTF-8 text as tables and lists show it: every acting character, and every byte that is not
// part of well-formed UTF-8, becomes '?'. Other text comes back unchanged.
std::string VisibleText(std::string_view utf8);

} // namespace zel
