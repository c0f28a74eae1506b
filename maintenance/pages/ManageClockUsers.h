#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class QPushButton;
class QTreeView;

namespace zel::support {
class IReader;
class IUser;
} // namespace zel::support
namespace zel::data {
class UserDescriptionList;
}

namespace zel::ui {

class Anchor;
class ClockUsersModel;
class ConnectionCenter;
class SortProxy;

// The "Clock Users" tab of the Manage Clock page: the users stored in the clock that the
// connection center holds, beside what the site database knows of them. Reads them (Get Users),
// imports chosen ones into the site database, sends chosen site users to the clock (Export),
// removes chosen users from the clock, or clears it. Every error of a command is shown in a
// message box; the page stays usable. A Get Users that fails leaves no list of an earlier read
// behind: the list then says that the clock's users are not known. On a site opened read-only
// Import is locked (it writes the site database); the commands on the clock stay usable.
class ManageClockUsers : public QWidget {
    Q_OBJECT
public:
    explicit ManageClockUsers(QWidget* parent = nullptr);
    ~ManageClockUsers() override;

    // Keeps the connection center and follows its Connected and Disconnected signals.
    void Initialize(ConnectionCenter* cc);

    int Width() const { return width(); }
    int Height() const { return height(); }

    void mConnection_Connected(std::shared_ptr<zel::support::IReader> r);
    void mConnection_Disconnected();
    // Locks the clock commands while a long command (an enrollment) runs on the connection.
    void mConnection_BusyChanged(bool busy);

    // The clock users last read (as the list shows them) and the list model, for the benches and tests.
    ClockUsersModel* Model() const { return mModel; }
    QTreeView* ListView() const { return mList; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdGetUsers_Click();
    void cmdImport_Click();
    void cmdExport_Click();
    void cmdRemove_Click();
    void cmdRemoveAll_Click();
    void SetButtonsEnabled(bool enabled);
    // The clock users of the selected rows, in row order: 0 only users the site database holds,
    // 1 only users it does not hold, 2 all.
    std::vector<std::shared_ptr<zel::support::IUser>> SelectedClockUsers(int filter) const;

    QPushButton* mGetUsers;
    QPushButton* mImport;
    QPushButton* mExport;
    QPushButton* mRemove;
    QPushButton* mRemoveAll;
    QTreeView* mList;
    ClockUsersModel* mModel;
    SortProxy* mProxy;
    std::unique_ptr<Anchor> mAnchor;
    ConnectionCenter* mConnection = nullptr;
    std::shared_ptr<zel::support::IReader> mReader;
    std::shared_ptr<zel::data::UserDescriptionList> mUserList;
    QString mReadOnly; // why Import is locked (a site opened read-only), or ""
};

} // namespace zel::ui
