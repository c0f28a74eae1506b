#pragma once
// The output of a zelctl command: rows of typed cells under named columns.
#include "zel/TextFormats.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace zel::cli {

// CsvRaw is CSV with its texts as they are (--csv-raw); Csv guards them against spreadsheet formulas.
enum class Format { Table, Json, Csv, CsvRaw };

// One value: text, a whole number, a truth value, or nothing (JSON null, an empty CSV field).
class Cell {
public:
    Cell() = default;
    Cell(std::string text) : mKind(Kind::Text), mText(std::move(text)) {}
    Cell(const char* text) : mKind(Kind::Text), mText(text) {}
    Cell(std::int64_t number) : mKind(Kind::Number), mText(std::to_string(number)) {}
    Cell(int number) : Cell(static_cast<std::int64_t>(number)) {}
    static Cell Bool(bool value);

    bool IsNull() const { return mKind == Kind::Null; }
    const std::string& Text() const { return mText; }
    std::string Json() const;
    std::string Csv(zel::CsvTexts texts) const;

private:
    enum class Kind { Null, Text, Number, Bool };
    Kind mKind = Kind::Null;
    std::string mText;
};

// Columns have a key (the JSON key and CSV header, stable for scripts) and a caption for people;
// a column without a caption is for scripts only (JSON and CSV, not the table).
struct Column {
    std::string Key;
    std::string Caption;
};

class Table {
public:
    explicit Table(std::vector<Column> columns) : mColumns(std::move(columns)) {}
    void Add(std::vector<Cell> row);
    std::size_t RowCount() const { return mRows.size(); }

    // Table: captions over aligned columns ("(none)" when there are no rows), each text as
    // zel::VisibleText shows it; JSON: an array of objects; CSV: a header line of keys, then the
    // rows, quoted where needed (RFC 4180), text cells as zel::CsvText writes them (numbers as
    // they are).
    void Print(std::ostream& out, Format format) const;

private:
    std::vector<Column> mColumns;
    std::vector<std::vector<Cell>> mRows;
};

// A JSON string literal of UTF-8 text (control characters escaped).
using zel::JsonString;

} // namespace zel::cli
