#include "Table.h"

#include "zel/Text.h"

#include <algorithm>
#include <ostream>

namespace zel::cli {

namespace {

// Display width of UTF-8 text: one column per code point.
std::size_t Width(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

Cell Cell::Bool(bool value)
{
    Cell cell;
    cell.mKind = Kind::Bool;
    cell.mText = value ? "yes" : "no";
    return cell;
}

std::string Cell::Json() const
{
    switch (mKind) {
    case Kind::Null:
        return "null";
    case Kind::Number:
        return mText;
    case Kind::Bool:
        return mText == "yes" ? "true" : "false";
    case Kind::Text:
        break;
    }
    return JsonString(mText);
}

std::string Cell::Csv(zel::CsvTexts texts) const
{
    return mKind == Kind::Text ? zel::CsvText(mText, texts) : zel::CsvField(mText);
}

void Table::Add(std::vector<Cell> row)
{
    row.resize(mColumns.size());
    mRows.push_back(std::move(row));
}

void Table::Print(std::ostream& out, Format format) const
{
    if (format == Format::Json) {
        out << "[";
        for (std::size_t r = 0; r < mRows.size(); ++r) {
            out << (r ? ",\n  {" : "\n  {");
            for (std::size_t c = 0; c < mColumns.size(); ++c)
                out << (c ? ", " : "") << JsonString(mColumns[c].Key) << ": " << mRows[r][c].Json();
            out << "}";
        }
        out << (mRows.empty() ? "]\n" : "\n]\n");
        return;
    }
    if (format == Format::Csv || format == Format::CsvRaw) {
        const auto texts = format == Format::CsvRaw ? zel::CsvTexts::Raw : zel::CsvTexts::Guarded;
        for (std::size_t c = 0; c < mColumns.size(); ++c)
            out << (c ? "," : "") << zel::CsvField(mColumns[c].Key);
        out << "\r\n";
        for (const auto& row : mRows) {
            for (std::size_t c = 0; c < mColumns.size(); ++c)
                out << (c ? "," : "") << row[c].Csv(texts);
            out << "\r\n";
        }
        return;
    }
    if (mRows.empty()) {
        out << "(none)\n";
        return;
    }
    std::vector<std::size_t> shownColumns;
    for (std::size_t c = 0; c < mColumns.size(); ++c)
        if (!mColumns[c].Caption.empty())
            shownColumns.push_back(c);
    std::vector<std::size_t> widths(mColumns.size(), 0);
    for (std::size_t c : shownColumns)
        widths[c] = Width(mColumns[c].Caption);
    for (const auto& row : mRows)
        for (std::size_t c : shownColumns)
            widths[c] = std::max(widths[c], Width(zel::VisibleText(row[c].Text())));
    auto line = [&](auto text) {
        std::string shown;
        for (std::size_t i = 0; i < shownColumns.size(); ++i) {
            const std::size_t c = shownColumns[i];
            const std::string cell = zel::VisibleText(text(c));
            shown += cell;
            if (i + 1 < shownColumns.size())
                shown += std::string(widths[c] - Width(cell) + 2, ' ');
        }
        out << shown << '\n';
    };
    line([&](std::size_t c) { return mColumns[c].Caption; });
    line([&](std::size_t c) { return std::string(widths[c], '-'); });
    for (const auto& row : mRows)
        line([&](std::size_t c) { return row[c].Text(); });
}

} // namespace zel::cli
