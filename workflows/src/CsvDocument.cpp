#include "zel/workflows/CsvDocument.h"

#include "zel/Error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zel::workflows {

namespace {

constexpr const char* Source = "ZelWorkflows";

[[noreturn]] void Refuse(const std::string& text)
{
    throw zel::Error(zel::errc::InvalidArgument, Source, text);
}

std::size_t LineOf(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            ++line;
    return line;
}

// The offset of the first byte that does not belong to well-formed UTF-8, or npos.
std::size_t FirstNonUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned int low = 0x80;
        unsigned int high = 0xBF;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0)
                low = 0xA0; // no overlong form
            if (c == 0xED)
                high = 0x9F; // no surrogate
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0)
                low = 0x90;
            if (c == 0xF4)
                high = 0x8F;
        } else {
            return i;
        }
        if (i + length > text.size())
            return i;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i;
        }
        i += length;
    }
    return std::string_view::npos;
}

// The separator the first record uses most, outside quotes: ';' or ','.
char DetectSeparator(std::string_view text)
{
    std::size_t commas = 0;
    std::size_t semicolons = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    return semicolons > commas ? ';' : ',';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Walks the text record by record.
class Reader {
public:
    Reader(std::string_view text, char separator, const std::string& name)
        : mText(text), mSeparator(separator), mName(name)
    {
    }

    bool AtEnd() const { return mAt >= mText.size(); }

    CsvRecord Next()
    {
        CsvRecord record;
        record.Line = mLine;
        for (;;) {
            record.Fields.push_back(Field(record));
            if (AtEnd())
                break;
            if (mText[mAt] == mSeparator) {
                ++mAt;
                continue;
            }
            EndOfLine();
            break;
        }
        return record;
    }

private:
    bool AtLineEnd() const { return AtEnd() || mText[mAt] == '\n' || mText[mAt] == '\r'; }

    void EndOfLine()
    {
        if (mText[mAt] == '\r' && mAt + 1 < mText.size() && mText[mAt + 1] == '\n')
            ++mAt;
        ++mAt;
        ++mLine;
    }

    std::string Field(CsvRecord& record)
    {
        while (!AtLineEnd() && IsBlank(mText[mAt]))
            ++mAt;
        if (!AtEnd() && mText[mAt] == '"')
            return Quoted(record);
        const std::size_t start = mAt;
        while (!AtLineEnd() && mText[mAt] != mSeparator)
            ++mAt;
        std::size_t end = mAt;
        while (end > start && IsBlank(mText[end - 1]))
            --end;
        return std::string(mText.substr(start, end - start));
    }

    std::string Quoted(CsvRecord& record)
    {
        const std::size_t openedOn = mLine;
        ++mAt; // the opening quote
        std::string value;
        for (;;) {
            if (AtEnd())
                Refuse(mName + ", line " + std::to_string(openedOn) +
                       ": a quoted field is not closed before the end of the file.");
            const char c = mText[mAt++];
            if (c == '"') {
                if (!AtEnd() && mText[mAt] == '"') {
                    value.push_back('"');
                    ++mAt;
                    continue;
                }
                break;
            }
            if (c == '\n' || (c == '\r' && (AtEnd() || mText[mAt] != '\n')))
                ++mLine;
            value.push_back(c);
        }
        while (!AtLineEnd() && IsBlank(mText[mAt]))
            ++mAt;
        if (!AtLineEnd() && mText[mAt] != mSeparator) {
            if (record.Problem.empty())
                record.Problem = "field " + std::to_string(record.Fields.size() + 1) +
                                 " has text after its closing quote (a quote inside a quoted field is written twice)";
            while (!AtLineEnd() && mText[mAt] != mSeparator)
                ++mAt;
        }
        return value;
    }

    std::string_view mText;
    char mSeparator;
    const std::string& mName;
    std::size_t mAt = 0;
    std::size_t mLine = 1;
};

[[noreturn]] void RefuseTooLarge(const std::string& name, std::size_t size)
{
    Refuse(name + " is too large to be a list of users (" + std::to_string(size / (1024 * 1024)) +
           " MiB; at most 256 MiB are read).");
}

bool IsEmptyRecord(const CsvRecord& record)
{
    for (const auto& field : record.Fields)
        if (!field.empty())
            return false;
    return record.Problem.empty();
}

} // namespace

CsvDocument CsvDocument::Parse(std::string_view bytes, const std::string& name)
{
    if (bytes.size() > MaxBytes)
        RefuseTooLarge(name, bytes.size());
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    if (const auto nul = bytes.find('\0'); nul != std::string_view::npos)
        Refuse(name + " is not a text file: it holds a NUL byte (line " + std::to_string(LineOf(bytes, nul)) +
               "). Choose a CSV file.");
    if (const auto bad = FirstNonUtf8(bytes); bad != std::string_view::npos) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(bytes[bad]));
        Refuse(name + ", line " + std::to_string(LineOf(bytes, bad)) + ": the text is not UTF-8 (byte " + hex +
               "). Save the file as UTF-8 text (in a spreadsheet: \"CSV UTF-8\").");
    }

    CsvDocument document;
    document.mName = name;
    document.mSeparator = DetectSeparator(bytes);
    Reader reader(bytes, document.mSeparator, name);
    while (!reader.AtEnd()) {
        CsvRecord record = reader.Next();
        if (!IsEmptyRecord(record))
            document.mRecords.push_back(std::move(record));
    }
    if (document.mRecords.empty())
        Refuse(name + " is empty: it has no header line.");
    return document;
}

CsvDocument CsvDocument::Read(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw zel::Error(75, Source, "Cannot read " + path + ": it is a folder, not a file.");
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw zel::Error(75, Source, "Cannot read " + path + ": " + std::strerror(errno) + ".");
    file.seekg(0, std::ios::end);
    const auto size = static_cast<std::size_t>(std::max<std::streamoff>(file.tellg(), 0));
    if (size > MaxBytes)
        RefuseTooLarge(path, size);
    file.seekg(0, std::ios::beg);
    std::string bytes(size, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    if (!file)
        throw zel::Error(75, Source, "Cannot read " + path + ": " + std::strerror(errno) + ".");
    return Parse(bytes, path);
}

} // namespace zel::workflows
