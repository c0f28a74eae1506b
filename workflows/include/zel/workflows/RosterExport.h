#pragma once
// The site's users as a roster file, the counterpart of RosterPlan's import.
#include <cstddef>
#include <iosfwd>
#include <string>

namespace zel::data {
class UserDescriptionList;
}

namespace zel::workflows {

// Writes the users in list order as CSV (UTF-8, a header line, lines ended by CR LF, fields quoted
// as RFC 4180 wants): user_id, name, authority_level (the number), enrolled (yes or no). Never a
// template. Returns the number of users written.
std::size_t WriteRoster(std::ostream& out, const zel::data::UserDescriptionList& users);

// WriteRoster into the file `path`, written beside it and renamed into place (mode 0600; see
// WriteFileReplacing, whose errors it raises).
std::size_t ExportRoster(const std::string& path, const zel::data::UserDescriptionList& users);

} // namespace zel::workflows
