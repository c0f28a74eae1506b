#pragma once

#include "zel/KeyedCollection.h"

#include <QDialog>

#include <memory>

class QPushButton;

namespace zel::data {
class UserDescription;
}

namespace zel::ui {

class Anchor;
class DetailedUserListView;

// "User Selection": a modal window in which the administrator picks site users; only enrolled
// ones are handed back.
class frmUserSelection : public QDialog {
    Q_OBJECT
public:
    using UserCollection = zel::KeyedCollection<std::shared_ptr<zel::data::UserDescription>>;

    explicit frmUserSelection(QWidget* owner = nullptr);
    ~frmUserSelection() override;

    // Shows the window modally over `OwnerForm`. OK: `outList` becomes the selected (enrolled)
    // users and the result is true. Cancel: `outList` stays as it was and the result is false.
    static bool GetUserSelection(QWidget* OwnerForm, UserCollection& outList);

    bool Cancelled() const { return mCancelled; }
    DetailedUserListView* UserList() const { return mUserList; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void cmdSelectAll_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    DetailedUserListView* mUserList;
    QPushButton* mSelectAll;
    QPushButton* mOK;
    QPushButton* mCancel;
    std::unique_ptr<Anchor> mAnchor;
    bool mCancelled = true;
};

} // namespace zel::ui
