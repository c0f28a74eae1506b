#include "zel/workflows/RosterExport.h"

#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/PrivateFile.h"

#include <ostream>

namespace zel::workflows {

std::size_t WriteRoster(std::ostream& out, const zel::data::UserDescriptionList& users, zel::CsvTexts texts)
{
    out << "user_id,name,authority_level,enrolled\r\n";
    std::size_t count = 0;
    for (const auto& user : users) {
        out << zel::CsvText(user->UserID(), texts) << ',' << zel::CsvText(user->Name(), texts) << ','
            << user->AuthorityLevel() << ',' << (user->Enrolled() ? "yes" : "no") << "\r\n";
        ++count;
    }
    return count;
}

std::size_t ExportRoster(const std::string& path, const zel::data::UserDescriptionList& users)
{
    PrivateFile file(path);
    const std::size_t count = WriteRoster(file.Stream(), users);
    file.Commit();
    return count;
}

} // namespace zel::workflows
