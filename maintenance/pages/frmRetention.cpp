#include "pages/frmRetention.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"
#include "pages/ForgetUsers.h"

#include "zel/DateTime.h"
#include "zel/Error.h"
#include "zel/data/LifecycleStore.h"
#include "zel/data/UserDescription.h"
#include "zel/workflows/RetentionSchedule.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zel::ui {

frmRetention::frmRetention(QWidget* parent, zel::workflows::ChannelMaker makeChannel) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRetention"));
    setWindowTitle(QStringLiteral("Retention Schedule"));
    resize(640, 480);

    auto* setting = new QHBoxLayout;
    auto* before = new QLabel(QStringLiteral("Keep hand templates at most"), this);
    before->setObjectName(QStringLiteral("lblRetentionBefore"));
    mDays = new QSpinBox(this);
    mDays->setObjectName(QStringLiteral("txtRetentionDays"));
    mDays->setRange(1, 36500);
    auto* after = new QLabel(QStringLiteral("days after the last punch (or the enrollment)"), this);
    after->setObjectName(QStringLiteral("lblRetentionAfter"));
    mSave = new QPushButton(QStringLiteral("Save"), this);
    mSave->setObjectName(QStringLiteral("cmdSaveRetention"));
    setting->addWidget(before);
    setting->addWidget(mDays);
    setting->addWidget(after, 1);
    setting->addWidget(mSave);

    mSummary = new QLabel(this);
    mSummary->setObjectName(QStringLiteral("lblDueSummary"));
    mDue = new QTreeWidget(this);
    mDue->setObjectName(QStringLiteral("lvwDueUsers"));
    mDue->setRootIsDecorated(false);
    mDue->setHeaderLabels({QStringLiteral("User ID"), QStringLiteral("User Name"), QStringLiteral("Counted From"),
                           QStringLiteral("Date"), QStringLiteral("Days Over")});
    mDue->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    mPolicy = new QPlainTextEdit(this);
    mPolicy->setObjectName(QStringLiteral("txtPolicy"));
    mPolicy->setReadOnly(true);

    auto* buttons = new QHBoxLayout;
    mForgetDue = new QPushButton(QStringLiteral("Forget Due Users..."), this);
    mForgetDue->setObjectName(QStringLiteral("cmdForgetDue"));
    mClose = new QPushButton(QStringLiteral("Close"), this);
    mClose->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(mForgetDue);
    buttons->addStretch(1);
    buttons->addWidget(mClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(setting);
    layout->addWidget(mSummary);
    layout->addWidget(mDue, 2);
    layout->addWidget(mPolicy, 1);
    layout->addLayout(buttons);

    mForget = new ForgetUsers(this, std::move(makeChannel));
    connect(mSave, &QPushButton::clicked, this, &frmRetention::cmdSaveRetention_Click);
    connect(mForgetDue, &QPushButton::clicked, this, &frmRetention::cmdForgetDue_Click);
    connect(mClose, &QPushButton::clicked, this, &QDialog::accept);
    LockForReadOnly({mDays, mSave, mForgetDue}, ReadOnlyNotice());
    Refresh();
}

void frmRetention::Refresh()
{
    mDue->clear();
    try {
        const auto schedule = zel::workflows::RetentionSchedule::OfSite();
        mDays->setValue(schedule.Days());
        for (const auto& entry : schedule.Due(zel::DateTime::Now())) {
            auto* item = new QTreeWidgetItem(mDue);
            item->setText(0, QString::fromStdString(entry.User->UserID()));
            item->setText(1, QString::fromStdString(entry.User->Name()));
            item->setText(2, QString::fromStdString(entry.Basis));
            item->setText(3, QString::fromStdString(entry.Date));
            item->setText(4, QString::number(entry.DaysOver));
        }
        mPolicy->setPlainText(QString::fromStdString(schedule.PolicyText()));
        mSummary->setText(mDue->topLevelItemCount() == 0
                              ? QStringLiteral("No hand template is due.")
                              : QStringLiteral("%1 of the site's hand templates are due.").arg(DueCount()));
    } catch (const zel::Error& error) {
        mSummary->setText(ErrorMessageText(error));
    }
    if (ReadOnlyNotice().isEmpty())
        mForgetDue->setEnabled(DueCount() > 0);
}

int frmRetention::DueCount() const
{
    return mDue->topLevelItemCount();
}

void frmRetention::cmdSaveRetention_Click()
{
    try {
        zel::data::LifecycleStore().SetRetentionDays(mDays->value());
    } catch (const zel::Error& error) {
        ShowMessage(this, ErrorMessageText(error), QStringLiteral("Retention Schedule"), MsgIcon::Critical);
    }
    Refresh();
}

void frmRetention::cmdForgetDue_Click()
{
    std::vector<ForgetUsers::UserPtr> users;
    try {
        for (const auto& entry : zel::workflows::RetentionSchedule::OfSite().Due(zel::DateTime::Now()))
            users.push_back(entry.User);
    } catch (const zel::Error& error) {
        ShowMessage(this, ErrorMessageText(error), QStringLiteral("Retention Schedule"), MsgIcon::Critical);
        return;
    }
    mForget->Run(users, "retention");
    Refresh();
}

} // namespace zel::ui
