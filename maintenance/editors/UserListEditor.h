#pragma once

#include "editors/ListEditorBase.h"

#include "zel/data/UserDescriptionList.h"

#include <memory>

namespace zel::ui {

class UserListUI;
class UserDetailUI;

// The "Users" tab: adds, edits and removes the site's users (user ID, name, authority level). A
// user ID is stored as the clocks keep it, without leading zeros, and the administrator is told so
// when the typed one had them; the ID 0 is refused (the enrollment station's rule).
class UserListEditor : public ListEditorBase {
    Q_OBJECT
public:
    explicit UserListEditor(QWidget* parent = nullptr);

    std::shared_ptr<zel::data::UserDescriptionList> UserList() const { return mUserList; }
    // Gives the list to the list view and to the detail view.
    void SetUserList(std::shared_ptr<zel::data::UserDescriptionList> list);

    UserListUI* ListUI() const { return mListUI; }
    UserDetailUI* DetailUI() const { return mDetailUI; }

protected:
    void DetailSetInEditMode(bool editing) override;
    void DetailSetSelectedID(std::int32_t id) override;
    std::int32_t DetailSelectedID() const override;
    void DetailRefresh() override;
    bool HasEntry(std::int32_t databaseID) const override;
    QString EntryWord() const override { return QStringLiteral("user"); }
    void RemoveEntry(std::int32_t databaseID) override;
    bool SaveEntry(std::int32_t mode) override;
    void ReloadEntry(std::int32_t databaseID) override;
    bool DetailChangedElsewhere() const override;

private:
    bool Validate(const QString& userID, const QString& name, std::int32_t level);
    // After a save: tells the administrator when the ID typed was stored otherwise ("0042" as "42").
    void TellIDAsStored(const std::string& typedID, const std::string& storedID);

    std::shared_ptr<zel::data::UserDescriptionList> mUserList;
    UserListUI* mListUI;
    UserDetailUI* mDetailUI;
};

} // namespace zel::ui
