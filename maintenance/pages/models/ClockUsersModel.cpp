#include "zel/data/UserDescriptionList.h"
#include "zel/support/IUser.h"

#include "pages/UserTransfer.h"
#include "pages/models/ClockUsersModel.h"

namespace zel::ui {

ClockUsersModel::ClockUsersModel(QObject* parent)
    : ListTableModel({{QStringLiteral("User ID"), QStringLiteral("ID"), 1440, true},
                      {QStringLiteral("User Name"), QStringLiteral("Name"), 1440, false},
                      {QStringLiteral("Authority Level"), QStringLiteral("AuthorityLevel"), 1440, false},
                      {QStringLiteral("Existing User"), QStringLiteral("Existing"), 1440, false},
                      {QStringLiteral("Locally Enrolled"), QStringLiteral("LocallyEnrolled"), 1440, false}},
                     parent),
      mClockUsers(std::make_shared<ClockUserCollection>("ManageClockUsers"))
{
}

ClockUsersModel::~ClockUsersModel() = default;

void ClockUsersModel::SetClockUsers(std::shared_ptr<ClockUserCollection> users)
{
    mClockUsers = users ? std::move(users) : std::make_shared<ClockUserCollection>("ManageClockUsers");
    mNotice.clear();
}

void ClockUsersModel::ShowNotice(const QString& notice)
{
    SetClockUsers(nullptr);
    mNotice = notice;
    RefillNow();
}

void ClockUsersModel::ShowRetrieving()
{
    mRetrieving = true;
    RefillNow();
    mRetrieving = false;
}

void ClockUsersModel::Fill(std::vector<Row>& rows)
{
    if (mRetrieving) {
        rows.push_back({QString(), {QStringLiteral("Retrieving...")}});
        return;
    }
    if (!mNotice.isEmpty()) {
        rows.push_back({QString(), {mNotice}});
        return;
    }
    rows.reserve(static_cast<std::size_t>(mClockUsers->Count()));
    for (const auto& clockUser : *mClockUsers) {
        const std::string id = clockUser->ID();
        QString key = QString::fromStdString(id);
        if (mUserList && mUserList->Contains(id)) {
            auto user = mUserList->Item(id);
            rows.push_back({key,
                            {key, QString::fromStdString(user->Name()), AuthorityLevelName(user->AuthorityLevel()),
                             YesNo(true), YesNo(user->Enrolled())}});
        } else {
            rows.push_back({key,
                            {key, QStringLiteral("User ") + key,
                             AuthorityLevelName(static_cast<std::int32_t>(clockUser->AuthorityLevel())), YesNo(false),
                             YesNo(false)}});
        }
    }
}

} // namespace zel::ui
