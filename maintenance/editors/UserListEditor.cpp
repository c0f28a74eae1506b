#include "editors/UserListEditor.h"

#include "MessageBox.h"
#include "editors/EditCommandBar.h"
#include "editors/EditorSupport.h"
#include "editors/UndoLog.h"
#include "editors/UserDetailUI.h"
#include "editors/UserListUI.h"
#include "zel/workflows/ListRules.h"

namespace zel::ui {

UserListEditor::UserListEditor(QWidget* parent) : ListEditorBase(parent, QStringLiteral("Users"))
{
    setObjectName(QStringLiteral("UserListEditor"));
    mListUI = new UserListUI(this);
    mListUI->setObjectName(QStringLiteral("UserListUI1"));
    mDetailUI = new UserDetailUI(this);
    mDetailUI->setObjectName(QStringLiteral("UserDetailUI1"));
    Assemble(mListUI, mDetailUI);
}

void UserListEditor::SetUserList(std::shared_ptr<zel::data::UserDescriptionList> list)
{
    mUserList = list;
    mListUI->SetUserList(list);
    mDetailUI->SetUserList(list);
}

void UserListEditor::DetailSetInEditMode(bool editing)
{
    mDetailUI->SetInEditMode(editing);
}
void UserListEditor::DetailSetSelectedID(std::int32_t id)
{
    mDetailUI->SetSelectedID(id);
}
std::int32_t UserListEditor::DetailSelectedID() const
{
    return mDetailUI->SelectedID();
}
void UserListEditor::DetailRefresh()
{
    mDetailUI->Refresh();
}
bool UserListEditor::HasEntry(std::int32_t databaseID) const
{
    return mUserList && mUserList->GetByDatabaseID(databaseID) != nullptr;
}

void UserListEditor::RemoveEntry(std::int32_t databaseID)
{
    if (!mUserList)
        return;
    const auto user = mUserList->GetByDatabaseID(databaseID);
    if (!user)
        return; // already gone
    mUserList->Remove(user->UserID());
    mUserList->Save();
}

bool UserListEditor::Validate(const QString& userID, const QString& name, std::int32_t level)
{
    // The enrollment station's ID rule too: 1 to 10 characters, and not the number 0.
    return !ShowRefusal(this, zel::workflows::CheckUserFields(FromQ(userID), FromQ(name), level));
}

bool UserListEditor::SaveEntry(std::int32_t mode)
{
    if (!mUserList)
        return false;
    // Every value is read before the list is touched: the list's own events may refresh the
    // detail view while the user is stored.
    const QString userIDText = mDetailUI->UserID();
    const QString nameText = mDetailUI->UserName();
    const std::int32_t level = mDetailUI->UserAuthorityLevel();
    if (!Validate(userIDText, nameText, level))
        return false;
    const std::string typedID = FromQ(userIDText);
    const std::string name = FromQ(nameText);

    if (mode == EditModeAdd) {
        // A new user ID is stored as the clocks give it back: without leading zeros.
        const auto keys = zel::workflows::CheckUserKeys(*mUserList, nullptr, typedID, name);
        if (ShowRefusal(this, keys.Refused))
            return false;
        const std::string& userID = keys.Store;
        std::shared_ptr<zel::data::UserDescription> user;
        const bool stored = StoreReported(
            [&](UndoLog& undo) {
                user = mUserList->Add(userID, name);
                undo.Push([this, user] {
                    // The row was inserted by Add: take it out again.
                    mUserList->Remove(user->UserID());
                    mUserList->Save();
                });
                user->SetAuthorityLevel(level);
                mUserList->Save();
            },
            [&] { return user && !user->IsDirty() && !user->IsNew(); });
        if (!stored)
            mDetailUI->KeepFields();
        else
            TellIDAsStored(typedID, userID);
        return stored;
    }

    const auto user = mUserList->GetByDatabaseID(mDetailUI->SelectedID());
    if (!user) {
        ReportEntryRemoved(); // removed elsewhere while it was being edited
        return false;
    }
    const auto keys = zel::workflows::CheckUserKeys(*mUserList, user.get(), typedID, name);
    if (ShowRefusal(this, keys.Refused))
        return false;
    const std::string& storedID = keys.Store;
    const bool stored = StoreReported(
        [&](UndoLog& undo) {
            // The user ID goes first: the list refuses an ID that another user has, and then
            // nothing of this user has been changed.
            using zel::data::UserDescription;
            undo.Set(user, &UserDescription::UserID, &UserDescription::SetUserID, storedID);
            undo.Set(user, &UserDescription::Name, &UserDescription::SetName, name);
            undo.Set(user, &UserDescription::AuthorityLevel, &UserDescription::SetAuthorityLevel, level);
            mUserList->Save();
        },
        [&] { return !user->IsDirty(); });
    if (stored)
        TellIDAsStored(typedID, storedID);
    return stored;
}

void UserListEditor::TellIDAsStored(const std::string& typedID, const std::string& storedID)
{
    if (typedID == storedID)
        return;
    ShowMessage(this,
                QStringLiteral("The user ID %1 was saved as %2: a clock keeps a user ID as a number, without "
                               "leading zeros, and gives it back so.")
                    .arg(ToQ(typedID), ToQ(storedID)),
                QStringLiteral("User ID Saved as %1").arg(ToQ(storedID)), MsgIcon::Information);
}

} // namespace zel::ui
