#include "editors/UserListEditor.h"

#include "MessageBox.h"
#include "editors/EditCommandBar.h"
#include "editors/EditorSupport.h"
#include "editors/UndoLog.h"
#include "editors/UserDetailUI.h"
#include "editors/UserListUI.h"
#include "zel/Text.h"
#include "zel/workflows/UserIDs.h"

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
    // The enrollment station's rule too: 1 to 10 characters, and not the number 0.
    if (const std::string problem = zel::workflows::UserIDProblem(FromQ(userID)); !problem.empty()) {
        ShowMessage(this, ToQ(problem));
        return false;
    }
    if (name.size() < 1 || name.size() > UserDetailUI::MaxNameLength) {
        ShowMessage(this, QStringLiteral("User name must be between 1 and 20 characters."));
        return false;
    }
    if (level < 0) {
        ShowMessage(this, QStringLiteral("Invalid user authority level."));
        return false;
    }
    return true;
}

bool UserListEditor::NameTakenByOther(const std::string& name, const zel::data::UserDescription& self) const
{
    return mUserList->NameHeldByOther(name, &self);
}

bool UserListEditor::IDTakenByOther(const std::string& userID, const zel::data::UserDescription* self) const
{
    // An older row may hold the same number with leading zeros ("007" for 7): to a clock that is
    // the same user. Such rows are found by their keys: the number with one zero before it, two,
    // and so on up to the longest UserID of the list.
    const auto heldByOther = [&](const std::string& key) {
        if (!mUserList->Contains(key))
            return false;
        const auto user = mUserList->Item(key);
        return user.get() != self && zel::workflows::UserIDWithoutLeadingZeros(user->UserID()) == userID;
    };
    if (heldByOther(userID))
        return true;
    if (!zel::IsAllDigits(userID))
        return false; // only a number loses leading zeros
    std::string key = userID;
    while (key.size() < mUserList->LongestUserID()) {
        key.insert(key.begin(), '0');
        if (heldByOther(key))
            return true;
    }
    return false;
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
    // A new or changed user ID is stored as the clocks give it back: without leading zeros.
    const std::string typedID = FromQ(userIDText);
    const std::string userID = zel::workflows::UserIDWithoutLeadingZeros(typedID);
    const std::string name = FromQ(nameText);

    if (mode == EditModeAdd) {
        if (mUserList->Contains(userID) || IDTakenByOther(userID, nullptr)) {
            ShowMessage(this, QStringLiteral("The User ID already exists."), QStringLiteral("User ID Already Exists"),
                        MsgIcon::Exclamation);
            return false;
        }
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
    if (user->Name() != name && NameTakenByOther(name, *user)) {
        ShowMessage(this, QStringLiteral("The User Name already exists."), QStringLiteral("User ID Already Exists"),
                    MsgIcon::Exclamation);
        return false;
    }
    // A stored ID left as it was is kept as it is, also with leading zeros (a row of an older site).
    const std::string storedID = typedID == user->UserID() ? typedID : userID;
    // (The list itself refuses an ID that another user has exactly; this catches "007" for 7.)
    if (storedID != user->UserID() && !mUserList->Contains(storedID) && IDTakenByOther(storedID, user.get())) {
        ShowMessage(this, QStringLiteral("The User ID already exists."), QStringLiteral("User ID Already Exists"),
                    MsgIcon::Exclamation);
        return false;
    }
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
