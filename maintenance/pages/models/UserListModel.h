#pragma once

#include "pages/models/ListTableModel.h"

#include <memory>

namespace zel {
class Subscription;
}
namespace zel::data {
class UserDescription;
class UserDescriptionList;
} // namespace zel::data

namespace zel::ui {

// The users of the site database: "User ID", "User Name", "Authority Level", "Enrolled" ("erasure
// pending" while a clock may still hold the template of a user forgotten), keyed by UserID. Follows the list's change
// events (coalesced) unless it is static.
class UserListModel : public ListTableModel {
    Q_OBJECT
public:
    explicit UserListModel(QObject* parent = nullptr);
    ~UserListModel() override;

    // Takes the site database's user list, subscribes to its events and fills the rows.
    void SetUserList(std::shared_ptr<zel::data::UserDescriptionList> list);
    const std::shared_ptr<zel::data::UserDescriptionList>& UserList() const { return mUserList; }

    // When true the rows are not refilled on the list's change events; turning it off again
    // catches up with the list.
    bool IsStatic() const { return mIsStatic; }
    void SetIsStatic(bool value);

    // Whether the user is (still) in the site database's list.
    bool IsListed(const std::shared_ptr<zel::data::UserDescription>& user) const;
    // The user of a row (0-based source row), or nullptr.
    std::shared_ptr<zel::data::UserDescription> UserAt(int row) const;

    void mUserList_ListChanged();
    void mUserList_ListItemChanged(const std::shared_ptr<zel::data::UserDescription>& sender);

protected:
    void Fill(std::vector<Row>& rows) override;

private:
    std::shared_ptr<zel::data::UserDescriptionList> mUserList;
    std::vector<std::shared_ptr<zel::data::UserDescription>> mUsers; // parallel to the rows
    std::vector<std::unique_ptr<zel::Subscription>> mSubscriptions;
    bool mIsStatic = false;
};

} // namespace zel::ui
