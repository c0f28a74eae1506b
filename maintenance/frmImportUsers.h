#pragma once

#include "zel/workflows/RosterPlan.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace zel::data {
class UserDescriptionList;
}

namespace zel::ui {

class RosterPlanModel;

// The plan of a roster import (File, "Import Users from CSV..."), looked at before anything is
// written: the file, the counts (lblCounts: to add, to change, unchanged, refused, not in the
// file), the columns the file has beyond the three (lblIgnored), every row in a table (lvwPlan:
// Line, Action, User ID, Name, Level, Detail), and chkRemoveMissing, "Remove the users of the site
// that the file lacks", off at first. "Import" (cmdImport) asks before users are removed, carries
// the plan out in one transaction and closes the window; it is disabled while any row is refused
// (lblRefused says why). A failed import is shown with its error and leaves the window open; Cancel
// writes nothing.
class frmImportUsers : public QDialog {
    Q_OBJECT
public:
    frmImportUsers(std::shared_ptr<const zel::workflows::RosterPlan> plan,
                   std::shared_ptr<zel::data::UserDescriptionList> users, QWidget* parent = nullptr);

    // What the import did (all zero before it has).
    const zel::workflows::RosterApplied& Applied() const { return mApplied; }

private:
    void cmdImport_Click();

    std::shared_ptr<const zel::workflows::RosterPlan> mPlan;
    std::shared_ptr<zel::data::UserDescriptionList> mUsers;
    RosterPlanModel* mModel;
    QCheckBox* mRemoveMissing;
    QPushButton* mImport;
    zel::workflows::RosterApplied mApplied;
};

} // namespace zel::ui
