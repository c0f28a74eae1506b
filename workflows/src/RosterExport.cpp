#include "zel/workflows/RosterExport.h"

#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/EventExport.h"
#include "zel/workflows/FileReplace.h"

#include <ostream>
#include <sstream>

namespace zel::workflows {

std::size_t WriteRoster(std::ostream& out, const zel::data::UserDescriptionList& users)
{
    out << "user_id,name,authority_level,enrolled\r\n";
    std::size_t count = 0;
    for (const auto& user : users) {
        out << CsvField(user->UserID()) << ',' << CsvField(user->Name()) << ',' << user->AuthorityLevel() << ','
            << (user->Enrolled() ? "yes" : "no") << "\r\n";
        ++count;
    }
    return count;
}

std::size_t ExportRoster(const std::string& path, const zel::data::UserDescriptionList& users)
{
    std::ostringstream text;
    const std::size_t count = WriteRoster(text, users);
    WriteFileReplacing(path, text.str());
    return count;
}

} // namespace zel::workflows
