#pragma once

#include "zel/workflows/ChannelGroups.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace zel::ui {

class ForgetUsers;

// The "Retention Schedule" window (File menu): the site's retention setting (txtRetentionDays,
// saved by cmdSaveRetention), the users whose hand templates are due under it (lvwDueUsers: "User
// ID", "User Name", "Counted From", "Date", "Days Over"; lblDueSummary counts them), the written
// schedule in plain words (txtPolicy, to copy and publish) and cmdForgetDue ("Forget Due
// Users..."), which forgets the users listed as the Add/Remove Users page's Forget does.
//
// Holds nothing of the site: it reads the setting, the users and the punches when shown and after
// each change. On a read-only site the setting and Forget Due Users are disabled with the notice.
// A setting the site refuses to store is told in a message and not kept.
class frmRetention : public QDialog {
    Q_OBJECT
public:
    explicit frmRetention(QWidget* parent = nullptr,
                          zel::workflows::ChannelMaker makeChannel = zel::workflows::DefaultChannelMaker());

    // Reads the setting, the due users and the policy again.
    void Refresh();
    int DueCount() const;
    ForgetUsers* Forget() const { return mForget; }

private:
    void cmdSaveRetention_Click();
    void cmdForgetDue_Click();

    QSpinBox* mDays;
    QPushButton* mSave;
    QLabel* mSummary;
    QTreeWidget* mDue;
    QPlainTextEdit* mPolicy;
    QPushButton* mForgetDue;
    QPushButton* mClose;
    ForgetUsers* mForget;
};

} // namespace zel::ui
