#pragma once

#include "editors/BoundListUI.h"

#include "zel/data/UserDescriptionList.h"

#include <memory>
#include <vector>

namespace zel::ui {

// The list of the site's users: one line per entry with its name; item data = DatabaseID.
class UserListUI : public BoundListUI<zel::data::UserDescriptionList> {
    Q_OBJECT
public:
    explicit UserListUI(QWidget* parent = nullptr);

    std::shared_ptr<zel::data::UserDescriptionList> UserList() const { return BoundList(); }
    // Subscribes to the list's change events and refills the view.
    void SetUserList(std::shared_ptr<zel::data::UserDescriptionList> list) { Bind(std::move(list)); }

    // A new collection of the entries of the selected lines, in line order.
    std::vector<std::shared_ptr<zel::data::UserDescription>> GetSelectedUsers() { return SelectedItems(); }

protected:
    const char* ErrorSource() const override { return "UserListUI"; }
};

} // namespace zel::ui
