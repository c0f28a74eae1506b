#include "pages/ClockAudit.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"
#include "layout/Anchor.h"
#include "pages/ConnectionCenter.h"
#include "pages/ManageClockUsers.h"
#include "pages/UserTransfer.h"
#include "pages/frmExportUsers.h"
#include "pages/frmRemoveUsers.h"
#include "pages/frmUserSelection.h"
#include "pages/modHelpers.h"
#include "pages/models/ClockUsersModel.h"
#include "pages/models/SortProxy.h"
#include "pages/models/ViewSelection.h"
#include "zel/workflows/CommandReport.h"

#include <QPushButton>
#include <QTreeView>

namespace zel::ui {

namespace {

// What a progress window did: its users up to `handled` of `total` (a cancel stops it early).
void Settle(zel::workflows::ClockResult& result, int handled, std::size_t total, zel::workflows::ClockTask task)
{
    result.Work = task;
    result.Count = handled;
    if (result.Outcome == zel::workflows::ClockOutcome::Done && static_cast<std::size_t>(handled) < total)
        result.Outcome = zel::workflows::ClockOutcome::Cancelled;
}

constexpr int DesignWidth = 600;
constexpr int DesignHeight = 340;
constexpr int Margin = 8;
constexpr int ButtonWidth = 90;
constexpr int ButtonHeight = 26;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, DesignHeight - Margin - ButtonHeight, ButtonWidth, ButtonHeight);
    return button;
}

} // namespace

ManageClockUsers::ManageClockUsers(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ManageClockUsers"));
    resize(DesignWidth, DesignHeight);
    setMinimumSize(DesignWidth, DesignHeight); // the five buttons in one row, a list above them

    mList = new QTreeView(this);
    mList->setObjectName(QStringLiteral("lvwClockUsers"));
    mList->setGeometry(Margin, Margin, DesignWidth - 2 * Margin, DesignHeight - 3 * Margin - ButtonHeight);
    mModel = new ClockUsersModel(this);
    mProxy = new SortProxy(this);
    mProxy->Attach(mModel, mList);
    mList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mList->setSelectionBehavior(QAbstractItemView::SelectRows);

    mGetUsers = MakeButton(this, "cmdGetUsers", QStringLiteral("Get Users"), Margin);
    mImport = MakeButton(this, "cmdImport", QStringLiteral("Import"), Margin + (ButtonWidth + Margin));
    mRemove = MakeButton(this, "cmdRemove", QStringLiteral("Remove"), Margin + 2 * (ButtonWidth + Margin));
    mRemoveAll = MakeButton(this, "cmdRemoveAll", QStringLiteral("Remove All"), Margin + 3 * (ButtonWidth + Margin));
    mExport = MakeButton(this, "cmdExport", QStringLiteral("Export"), DesignWidth - Margin - ButtonWidth);

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mList, AnchorAll);
    mAnchor->Add(mExport, AnchorRight | AnchorBottom);
    mAnchor->Add(mGetUsers, AnchorBottom);
    mAnchor->Add(mImport, AnchorBottom);
    mAnchor->Add(mRemove, AnchorBottom);
    mAnchor->Add(mRemoveAll, AnchorBottom);

    connect(mGetUsers, &QPushButton::clicked, this, &ManageClockUsers::cmdGetUsers_Click);
    connect(mImport, &QPushButton::clicked, this, &ManageClockUsers::cmdImport_Click);
    connect(mExport, &QPushButton::clicked, this, &ManageClockUsers::cmdExport_Click);
    connect(mRemove, &QPushButton::clicked, this, &ManageClockUsers::cmdRemove_Click);
    connect(mRemoveAll, &QPushButton::clicked, this, &ManageClockUsers::cmdRemoveAll_Click);

    zel::data::DataSource site;
    mUserList = site.GetUserDescriptionList();
    mModel->SetUserList(mUserList);
    mModel->RefillNow();

    mReadOnly = ReadOnlyNotice();
    SetButtonsEnabled(false);
}

ManageClockUsers::~ManageClockUsers() = default;

void ManageClockUsers::Initialize(ConnectionCenter* cc)
{
    if (mConnection == cc)
        return;
    if (mConnection != nullptr)
        disconnect(mConnection, nullptr, this, nullptr);
    mConnection = cc;
    if (cc == nullptr)
        return;
    connect(cc, &ConnectionCenter::Connected, this, &ManageClockUsers::mConnection_Connected);
    connect(cc, &ConnectionCenter::Disconnected, this, &ManageClockUsers::mConnection_Disconnected);
    connect(cc, &ConnectionCenter::BusyChanged, this, &ManageClockUsers::mConnection_BusyChanged);
    if (cc->IsConnected())
        mConnection_Connected(cc->Reader());
    else
        mConnection_Disconnected();
}

void ManageClockUsers::mConnection_Connected(std::shared_ptr<zel::support::IReader> r)
{
    mReader = std::move(r);
    SetButtonsEnabled(mReader != nullptr && !(mConnection && mConnection->IsBusy()));
}

void ManageClockUsers::mConnection_Disconnected()
{
    // The rows and the clock users stay as they are until the next Get Users.
    mReader.reset();
    SetButtonsEnabled(false);
}

void ManageClockUsers::mConnection_BusyChanged(bool busy)
{
    SetButtonsEnabled(mReader != nullptr && !busy);
}

void ManageClockUsers::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
}

void ManageClockUsers::cmdGetUsers_Click()
{
    if (!mReader)
        return;
    auto reader = mReader;
    mModel->ShowRetrieving();
    mList->viewport()->repaint();
    QString failure;
    const bool read = RunCommand(this, [&] {
        try {
            mModel->SetClockUsers(reader->GetUserList());
        } catch (const std::exception& error) {
            failure = QString::fromStdString(zel::workflows::ReportedErrorText(error));
            throw;
        }
    });
    if (read) {
        mModel->RefillNow();
        return;
    }
    // The rows of an earlier read would pass for the clock's users now.
    mModel->ShowNotice(QStringLiteral("Get Users failed (%1): the clock's users are not known. Choose Get Users "
                                      "again.")
                           .arg(failure));
    mList->setFirstColumnSpanned(0, QModelIndex(), true);
}

void ManageClockUsers::cmdImport_Click()
{
    auto users = SelectedClockUsers(2);
    std::vector<std::string> ids;
    for (const auto& clockUser : users)
        ids.push_back(clockUser->ID());
    bool done = RunAudited(
        this, mConnection, "import",
        [&] {
            for (const auto& clockUser : users)
                ImportClockUser(*mUserList, *clockUser);
        },
        std::to_string(users.size()) + (users.size() == 1 ? " user imported" : " users imported"), ids);
    mModel->RefillNow();
    if (done)
        ShowMessage(this, QStringLiteral("The importation of the selected users is complete."),
                    QStringLiteral("User Import Complete"), MsgIcon::None);
}

void ManageClockUsers::cmdExport_Click()
{
    if (!mReader)
        return;
    frmUserSelection::UserCollection chosen("ManageClockUsers");
    if (!frmUserSelection::GetUserSelection(this, chosen)) {
        mModel->RefillNow();
        return;
    }
    auto reader = mReader;
    int sent = 0;
    frmExportUsers window(this);
    connect(&window, &UserProgressWindow::Advanced, this, [&sent](int value) { sent = value; });
    std::vector<std::string> ids;
    for (const auto& user : chosen)
        ids.push_back(user->UserID());
    RunAudited(
        this, mConnection, "send", [&] { window.Export(this, reader, QString(), chosen); }, {}, ids,
        [&](zel::workflows::ClockResult& result) {
            Settle(result, sent, ids.size(), zel::workflows::ClockTask::Send);
        });
    // Only the users that reached the clock join the list (all of them, unless the clock failed).
    auto& clockUsers = mModel->ClockUsers();
    int position = 0;
    for (const auto& user : chosen) {
        if (position++ >= sent)
            break;
        if (!clockUsers.Contains(user->UserID()))
            clockUsers.Add(MakeExtendedUser(*user), user->UserID());
    }
    mModel->RefillNow();
}

void ManageClockUsers::cmdRemove_Click()
{
    if (!mReader)
        return;
    frmRemoveUsers::ClockUserCollection selected("ManageClockUsers");
    for (const auto& user : SelectedClockUsers(2))
        selected.Add(user, user->ID());
    auto reader = mReader;
    int removed = 0;
    frmRemoveUsers window(this);
    connect(&window, &UserProgressWindow::Advanced, this, [&removed](int value) { removed = value; });
    std::vector<std::string> ids;
    for (const auto& user : selected)
        ids.push_back(user->ID());
    RunAudited(
        this, mConnection, "remove", [&] { window.Remove(this, reader, QString(), selected); }, {}, ids,
        [&](zel::workflows::ClockResult& result) {
            Settle(result, removed, ids.size(), zel::workflows::ClockTask::Remove);
        });
    // Only the users the clock has given up leave the list.
    auto& clockUsers = mModel->ClockUsers();
    int position = 0;
    for (const auto& user : selected) {
        if (position++ >= removed)
            break;
        if (clockUsers.Contains(user->ID()))
            clockUsers.Remove(user->ID());
    }
    mModel->RefillNow();
}

void ManageClockUsers::cmdRemoveAll_Click()
{
    if (!mReader)
        return;
    MsgResult answer =
        ShowMessage(this, QStringLiteral("Are you sure you want to remove all users from the current clock?"),
                    QStringLiteral("Clear Users"), MsgIcon::Question, MsgButtons::YesNo, MsgResult::No);
    if (answer != MsgResult::Yes)
        return;
    auto reader = mReader;
    if (RunAudited(
            this, mConnection, "clear", [&] { reader->RemoveAllUsers(); }, "every user removed"))
        mModel->SetClockUsers(nullptr);
    mModel->RefillNow();
}

void ManageClockUsers::SetButtonsEnabled(bool enabled)
{
    for (auto* button : {mGetUsers, mImport, mExport, mRemove, mRemoveAll})
        button->setEnabled(enabled);
    LockForReadOnly({mImport}, mReadOnly); // Import writes the site database
}

std::vector<std::shared_ptr<zel::support::IUser>> ManageClockUsers::SelectedClockUsers(int filter) const
{
    std::vector<std::shared_ptr<zel::support::IUser>> result;
    const auto& clockUsers = mModel->ClockUsers();
    for (int row : SelectedSourceRows(mList, mProxy)) {
        QString key = mModel->KeyAt(row);
        if (key.isEmpty())
            continue;
        const auto* user = clockUsers.Find(key.toStdString());
        if (user == nullptr)
            continue;
        bool known = mUserList && mUserList->Contains((*user)->ID());
        if ((filter == 0 && !known) || (filter == 1 && known) || filter < 0 || filter > 2)
            continue;
        result.push_back(*user);
    }
    return result;
}

} // namespace zel::ui
