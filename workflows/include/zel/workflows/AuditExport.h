#pragma once
// The site's audit trail as a CSV file, for the program's Export... (zelctl prints it through
// its own table, with the same keys).
#include "zel/TextFormats.h"

#include "zel/data/AuditLog.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace zel::workflows {

// The header of the file: the keys of `zelctl audit list`.
extern const char* const AuditCsvHeader;

// Writes the rows `filter` covers, newest first, as CSV (RFC 4180, CR LF, texts as zel::CsvText
// writes them) after the header; returns how many. `progress` (optional) is told the count now and
// then. Raises what the site database raises; what was written stays in `out`.
std::int64_t WriteAuditCsv(std::ostream& out, const zel::data::AuditLog& log, const zel::data::AuditFilter& filter,
                           const std::function<void(std::int64_t)>& progress = {},
                           zel::CsvTexts texts = zel::CsvTexts::Guarded);

// Writes the file `path` (mode 0600, put in place whole: see PrivateFile); returns the rows
// written. Raises zel::Error 75 when the file cannot be written, and the site's errors.
std::int64_t ExportAuditCsv(const std::string& path, const zel::data::AuditLog& log,
                            const zel::data::AuditFilter& filter);

} // namespace zel::workflows
