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

} // namespace zel
