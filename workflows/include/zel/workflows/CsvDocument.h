#pragma once
// A CSV file read whole, as another program (a spreadsheet, a personnel system) writes one.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zel::workflows {

// One record of the file: its fields, and the line it starts on (1-based; a quoted field may
// run over several lines). `Problem` is empty, or says why the record cannot be taken as it
// stands (text after a closing quote).
struct CsvRecord {
    std::size_t Line = 0;
    std::vector<std::string> Fields;
    std::string Problem;
};

// The records of a CSV file: UTF-8 text with or without a byte-order mark, fields separated by
// commas or by semicolons (whichever the first line holds more of, outside quotes), quoted as RFC
// 4180 says (a field in double quotes may hold the separator, line breaks and doubled quotes),
// lines ended by CR LF or LF. Blanks around an unquoted field are not part of it; a quoted field
// is taken exactly. Lines that are empty, or hold only separators and blanks, are skipped.
//
// Parse refuses (zel::Error 5, the description naming the file and, where it applies, the line)
// what cannot be read as CSV at all: an empty file, a binary file (a NUL byte), text that is not
// UTF-8, a quoted field that is never closed, a file over 256 MiB. The first record is the header.
class CsvDocument {
public:
    static constexpr std::size_t MaxBytes = 256u * 1024u * 1024u;

    // `name` is how messages name the file.
    static CsvDocument Parse(std::string_view bytes, const std::string& name);
    // Reads the file `path` and parses it; a file that cannot be read is zel::Error 75.
    static CsvDocument Read(const std::string& path);

    const std::string& Name() const noexcept { return mName; }
    char Separator() const noexcept { return mSeparator; }
    // The header, then the other records in file order.
    const std::vector<CsvRecord>& Records() const noexcept { return mRecords; }

private:
    std::string mName;
    char mSeparator = ',';
    std::vector<CsvRecord> mRecords;
};

} // namespace zel::workflows
