#pragma once
// Texts written for other programs: CSV fields (RFC 4180) and JSON strings, from UTF-8 text.
// Every CSV and JSON writer of the project goes through these.

#include <string>
#include <string_view>

namespace zel {

// How the text cells of a CSV file are written.
enum class CsvTexts {
    // A text that a spreadsheet would run as a formula (it begins with '=', '+', '-', '@', a tab or
    // a carriage return, and is not a plain number) gets an apostrophe in front, so a spreadsheet
    // that opens the file shows it as text. For files people open.
    Guarded,
    // Every text as it is, for scripts that read the file.
    Raw,
};

// One field quoted as RFC 4180 wants: in double quotes, with inner quotes doubled, when it holds
// a comma, a quote, a line break or leading/trailing blanks; otherwise as it is. For numbers,
// header keys and other texts this program makes itself.
std::string CsvField(std::string_view text);
// One text cell (a name, a place, a detail): guarded unless `texts` is Raw, then quoted as
// CsvField. A plain decimal number ("-12", "+3", "2.5") stays as it is: a spreadsheet reads it as
// a number, never as a formula.
std::string CsvText(std::string_view text, CsvTexts texts = CsvTexts::Guarded);

// A JSON string literal of UTF-8 text: quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view text);

} // namespace zel
