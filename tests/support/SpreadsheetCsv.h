#pragma once
// CSV files as other programs read them, and the names that try to abuse them.

#include <string>
#include <vector>

namespace zel::test {

// A name people could give, and whether a spreadsheet would run it as a formula.
struct HostileName {
    const char* Name;
    bool Formula; // a guarded CSV cell holds "'" + Name
};

// Names that try to run as a formula, reorder a line or break a CSV line, and a few that look
// like them but are harmless (a negative number, text after a blank, an apostrophe of its own).
// None is a user ID; each is unique.
const std::vector<HostileName>& HostileNames();

// A CSV file read back by Python's csv module (an independent RFC 4180 reader): its rows of
// cells, or Error when the file or Python could not be read.
struct CsvRead {
    std::vector<std::vector<std::string>> Rows;
    std::string Error;
};
CsvRead ReadCsvWithPython(const std::string& path);

// The permission bits of a file (0600, ...), or -1 when it is not there.
int FileMode(const std::string& path);

} // namespace zel::test
