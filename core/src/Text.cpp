#include "zel/Text.h"

#include <array>

namespace zel {
namespace {

// Windows-1252 code points for 0x80..0x9F; 0 marks an unassigned byte (kept as U+0080+n).
constexpr std::array<char16_t, 32> kCp1252High = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Invalid bytes decode as Latin-1.
char32_t NextCodePoint(std::string_view text, std::size_t& i)
{
    auto b0 = static_cast<unsigned char>(text[i]);
    auto cont = [&](std::size_t k) {
        return i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    };
    auto at = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(text[i + k]) & 0x3F); };
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2 && cont(1)) {
        char32_t cp = (static_cast<char32_t>(b0 & 0x1F) << 6) | at(1);
        i += 2;
        return cp;
    }
    if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        char32_t cp = (static_cast<char32_t>(b0 & 0x0F) << 12) | (at(1) << 6) | at(2);
        if (cp >= 0x800) {
            i += 3;
            return cp;
        }
    }
    if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
        char32_t cp = (static_cast<char32_t>(b0 & 0x07) << 18) | (at(1) << 12) | (at(2) << 6) | at(3);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            i += 4;
            return cp;
        }
    }
    ++i;
    return b0;
}

} // namespace

std::string FoldCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < text.size()) {
            // U+00C0..U+00DE (except U+00D7) fold to U+00E0..U+00FE
            auto n = static_cast<unsigned char>(text[i + 1]);
            out += static_cast<char>(c);
            out += static_cast<char>((n >= 0x80 && n <= 0x9E && n != 0x97) ? n + 0x20 : n);
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return FoldCase(a) == FoldCase(b);
}

std::string Trim(std::string_view text)
{
    const char* ws = " \t\r\n";
    auto first = text.find_first_not_of(ws);
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(ws);
    return std::string(text.substr(first, last - first + 1));
}

std::string Utf8ToAnsi(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = NextCodePoint(utf8, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (std::size_t k = 0; k < kCp1252High.size(); ++k) {
            if ((kCp1252High[k] != 0 && kCp1252High[k] == cp) || (kCp1252High[k] == 0 && cp == 0x80 + k)) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out += mapped;
    }
    return out;
}

std::string AnsiToUtf8(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size() * 2);
    for (char ch : ansi) {
        auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F) {
            char16_t cp = kCp1252High[b - 0x80];
            AppendUtf8(out, cp ? cp : static_cast<char32_t>(b));
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string BytesToTemplateText(const std::vector<std::uint8_t>& bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (auto b : bytes)
        AppendUtf8(out, b);
    return out;
}

std::vector<std::uint8_t> TemplateTextToBytes(std::string_view text)
{
    std::vector<std::uint8_t> out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = NextCodePoint(text, i);
        out.push_back(static_cast<std::uint8_t>(cp <= 0xFF ? cp : '?'));
    }
    return out;
}

bool IsAllDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool IsActingCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string VisibleText(std::string_view utf8)
{
    std::string shown;
    shown.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t start = i;
        const char32_t cp = NextCodePoint(utf8, i);
        // NextCodePoint takes a stray byte as Latin-1: one byte of 0x80 or more is not UTF-8.
        const bool malformed = (i - start == 1 && cp >= 0x80) || (cp >= 0xD800 && cp <= 0xDFFF);
        if (malformed || IsActingCharacter(cp))
            shown += '?';
        else
            shown.append(utf8.substr(start, i - start));
    }
    return shown;
}

} // namespace zel
