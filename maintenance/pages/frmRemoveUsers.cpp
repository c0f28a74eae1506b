#include "zel/data/UserDescription.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"

#include "pages/frmRemoveUsers.h"

namespace zel::ui {

frmRemoveUsers::frmRemoveUsers(QWidget* owner)
    : UserProgressWindow(owner, QStringLiteral("Removing Users"), QStringLiteral("frmRemoveUsers"))
{
}

void frmRemoveUsers::Remove(QWidget* OwnerForm, const std::shared_ptr<zel::support::IReader>& Reader,
                            const QString& ReaderName, const ClockUserCollection& Users)
{
    std::vector<std::shared_ptr<zel::support::IUser>> users;
    users.reserve(static_cast<std::size_t>(Users.Count()));
    for (const auto& user : Users)
        users.push_back(user);
    RemoveAll(OwnerForm, Reader, ReaderName, users);
}

void frmRemoveUsers::Remove(QWidget* OwnerForm, const std::shared_ptr<zel::support::IReader>& Reader,
                            const QString& ReaderName, const UserCollection& Users)
{
    std::vector<std::shared_ptr<zel::support::IUser>> users;
    users.reserve(static_cast<std::size_t>(Users.Count()));
    for (const auto& user : Users) {
        auto clockUser = std::make_shared<zel::support::ExtendedUser>();
        clockUser->SetID(user->UserID());
        users.push_back(clockUser);
    }
    RemoveAll(OwnerForm, Reader, ReaderName, users);
}

void frmRemoveUsers::RemoveAll(QWidget* owner, const std::shared_ptr<zel::support::IReader>& reader,
                               const QString& readerName,
                               const std::vector<std::shared_ptr<zel::support::IUser>>& users)
{
    if (users.empty() || !reader)
        return;
    Run(owner, readerName.isEmpty() ? QString() : QStringLiteral("Removing Users From ") + readerName,
        static_cast<int>(users.size()), [&](int i) {
            const auto& user = users[static_cast<std::size_t>(i)];
            ShowStatus(QStringLiteral("Removing ") + QString::fromStdString(user->ID()));
            reader->RemoveUser(user);
        });
}

} // namespace zel::ui
