#pragma once
// The site's users as a roster file, the counterpart of RosterPlan's import.
#include "zel/TextFormats.h"

#include <cstddef>
#include <iosfwd>
#include <string>

namespace zel::data {
class UserDescriptionList;
}

namespace zel::workflows {

// Writes the users in list order as CSV (UTF-8, a header line, lines ended by CR LF, fields as
// zel/TextFormats.h writes them, names guarded against spreadsheet formulas unless `texts` is
// Raw): user_id, name, authority_level (the number), enrolled (yes or no). Never a template.
// Returns the number of users written.
std::size_t WriteRoster(std::ostream& out, const zel::data::UserDescriptionList& users,
                        zel::CsvTexts texts = zel::CsvTexts::Guarded);

// WriteRoster into the file `path` (a PrivateFile: mode 0600, put in place whole; its errors).
std::size_t ExportRoster(const std::string& path, const zel::data::UserDescriptionList& users);

} // namespace zel::workflows
