#include "editors/UserDetailUI.h"

#include "editors/MaxLengthValidator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace zel::ui {
namespace {

constexpr const char* kLevels[] = {"None", "Service", "Setup", "Management", "Enrollment", "Security"};

} // namespace

UserDetailUI::UserDetailUI(QWidget* parent) : BoundDetailUI(parent, QStringLiteral("Details"), 416, 306)
{
    setObjectName(QStringLiteral("UserDetailUI"));
    mUserID = AddField(new QLineEdit(Frame()), QStringLiteral("txtUserID"), QStringLiteral("lblUserID"),
                       QStringLiteral("User ID:"), 0);
    mUserID->setValidator(new MaxLengthValidator(MaxUserIDLength, mUserID));
    mName = AddField(new QLineEdit(Frame()), QStringLiteral("txtName"), QStringLiteral("lblName"),
                     QStringLiteral("Name:"), 1);
    mName->setValidator(new MaxLengthValidator(MaxNameLength, mName));
    mAuthorityLevel = AddField(new QComboBox(Frame()), QStringLiteral("cboAuthorityLevel"),
                               QStringLiteral("lblAuthorityLevel"), QStringLiteral("Authority Level:"), 2);
    for (int level = 0; level < static_cast<int>(std::size(kLevels)); ++level)
        mAuthorityLevel->addItem(QString::fromLatin1(kLevels[level]), level);
    mEnrolled = AddField(new QLabel(Frame()), QStringLiteral("lblEnrolled"), QStringLiteral("lblEnrolledCaption"),
                         QStringLiteral("Enrolled:"), 3, 80, false);
    ClearFields();
}

QString UserDetailUI::UserID() const
{
    return mUserID->text();
}

QString UserDetailUI::UserName() const
{
    return mName->text();
}

std::int32_t UserDetailUI::UserAuthorityLevel() const
{
    return mAuthorityLevel->currentIndex() < 0 ? -1 : mAuthorityLevel->currentData().toInt();
}

void UserDetailUI::ShowEntry(const std::shared_ptr<zel::data::UserDescription>& user)
{
    TryStep([&] { mName->setText(ToQ(user->Name())); });
    TryStep([&] { mUserID->setText(ToQ(user->UserID())); });
    TryStep([&] {
        // Position and level coincide; a stored level outside the box leaves the box as it was.
        const auto level = user->AuthorityLevel();
        if (level >= 0 && level < mAuthorityLevel->count())
            mAuthorityLevel->setCurrentIndex(level);
    });
    TryStep([&] { mEnrolled->setText(user->Enrolled() ? QStringLiteral("Yes") : QStringLiteral("No")); });
}

void UserDetailUI::ClearFields()
{
    mName->clear();
    mUserID->clear();
    mAuthorityLevel->setCurrentIndex(0);
    mEnrolled->setText(QStringLiteral("No"));
}

} // namespace zel::ui
