#include "zel/data/UserDescription.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"

#include "pages/UserTransfer.h"
#include "pages/frmExportUsers.h"

namespace zel::ui {

frmExportUsers::frmExportUsers(QWidget* owner)
    : UserProgressWindow(owner, QStringLiteral("Exporting Users"), QStringLiteral("frmExportUsers"))
{
}

void frmExportUsers::Export(QWidget* OwnerForm, const std::shared_ptr<zel::support::IReader>& Reader,
                            const QString& ReaderName, const UserCollection& Users)
{
    if (Users.Empty() || !Reader)
        return;
    std::vector<std::shared_ptr<zel::data::UserDescription>> users;
    for (const auto& user : Users)
        users.push_back(user);
    Run(OwnerForm, ReaderName.isEmpty() ? QString() : QStringLiteral("Exporting Users To ") + ReaderName,
        static_cast<int>(users.size()), [&](int i) {
            const auto& user = *users[static_cast<std::size_t>(i)];
            ShowStatus(QStringLiteral("Exporting ") + QString::fromStdString(user.Name()));
            Reader->SendUser(MakeExtendedUser(user));
        });
}

} // namespace zel::ui
