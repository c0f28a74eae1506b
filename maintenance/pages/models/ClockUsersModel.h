#pragma once

#include "pages/models/ListTableModel.h"

#include "zel/KeyedCollection.h"

#include <memory>

namespace zel::support {
class IUser;
}
namespace zel::data {
class UserDescriptionList;
}

namespace zel::ui {

// The users read from a clock beside what the site database knows of them: "User ID",
// "User Name", "Authority Level", "Existing User", "Locally Enrolled", keyed by user ID. A user
// the site database holds shows its stored name, level and enrollment; any other shows
// "User " and its ID, the clock's level, "No", "No". Refilled by the page after each command.
class ClockUsersModel : public ListTableModel {
    Q_OBJECT
public:
    using ClockUserCollection = zel::KeyedCollection<std::shared_ptr<zel::support::IUser>>;

    explicit ClockUsersModel(QObject* parent = nullptr);
    ~ClockUsersModel() override;

    void SetUserList(std::shared_ptr<zel::data::UserDescriptionList> list) { mUserList = std::move(list); }

    // The clock users last read, kept up to date by the page's commands.
    ClockUserCollection& ClockUsers() { return *mClockUsers; }
    const ClockUserCollection& ClockUsers() const { return *mClockUsers; }
    // Takes a new collection (nullptr: an empty one).
    void SetClockUsers(std::shared_ptr<ClockUserCollection> users);

    // Shows the single row "Retrieving..." (until the next refill).
    void ShowRetrieving();
    // Drops the clock users and shows `notice` as the only row (no key, nothing to select for a
    // command) until the next SetClockUsers: after a failed read the list of an earlier one would
    // pass for the clock's.
    void ShowNotice(const QString& notice);
    // The notice shown, or "".
    const QString& Notice() const { return mNotice; }

protected:
    void Fill(std::vector<Row>& rows) override;

private:
    std::shared_ptr<zel::data::UserDescriptionList> mUserList;
    std::shared_ptr<ClockUserCollection> mClockUsers;
    bool mRetrieving = false;
    QString mNotice;
};

} // namespace zel::ui
