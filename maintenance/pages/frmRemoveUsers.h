#pragma once

#include "pages/UserProgressWindow.h"

#include "zel/KeyedCollection.h"

#include <memory>
#include <vector>

namespace zel::support {
class IReader;
class IUser;
} // namespace zel::support
namespace zel::data {
class UserDescription;
}

namespace zel::ui {

// "Removing Users": removes users, identified by their IDs, from one clock, with a status line
// and a progress bar.
class frmRemoveUsers : public UserProgressWindow {
    Q_OBJECT
public:
    using UserCollection = zel::KeyedCollection<std::shared_ptr<zel::data::UserDescription>>;
    using ClockUserCollection = zel::KeyedCollection<std::shared_ptr<zel::support::IUser>>;

    explicit frmRemoveUsers(QWidget* owner = nullptr);

    // Removes each user from `Reader`, in order; caption "Removing Users From " and the clock name
    // when `ReaderName` is not empty; the status line reads "Removing " and the user's ID. Clock
    // users are passed as they are; for a site user a clock user with its UserID is made. An empty collection does
    // nothing and shows nothing. An error of the clock closes the window and travels on to the caller.
    void Remove(QWidget* OwnerForm, const std::shared_ptr<zel::support::IReader>& Reader, const QString& ReaderName,
                const ClockUserCollection& Users);
    void Remove(QWidget* OwnerForm, const std::shared_ptr<zel::support::IReader>& Reader, const QString& ReaderName,
                const UserCollection& Users);

private:
    void RemoveAll(QWidget* owner, const std::shared_ptr<zel::support::IReader>& reader, const QString& readerName,
                   const std::vector<std::shared_ptr<zel::support::IUser>>& users);
};

} // namespace zel::ui
