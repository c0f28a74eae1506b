#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"

#include "MessageBox.h"
#include "layout/Anchor.h"
#include "pages/AddRemoveUsers.h"
#include "pages/ClockListView.h"
#include "pages/DetailedUserListView.h"
#include "pages/ForgetUsers.h"
#include "pages/RotateViewButton.h"
#include "pages/UserTransfer.h"
#include "pages/frmCommandResult.h"
#include "pages/frmMessage.h"
#include "zel/workflows/CommandReport.h"
#include "zel/workflows/ParallelGroups.h"
#include "zel/workflows/UserTransmission.h"

#include <QLabel>
#include <QPushButton>
#include <QSplitter>

#include <exception>
#include <string>
#include <vector>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 640;
constexpr int DesignHeight = 440;
constexpr int Margin = 8;
constexpr int ButtonWidth = 90;
constexpr int ButtonHeight = 26;
constexpr int RotateSize = 28;
// The two lists side by side with a few rows each, the note beside the two buttons.
constexpr int MinimumWidth = 560;
constexpr int MinimumHeight = 300;

constexpr int NamesInNote = 2; // users named in lblNoTemplate; the tooltip names them all

QString Counted(std::size_t count, const char* noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(QString::fromLatin1(noun)).arg(count == 1 ? "" : "s");
}

// "1001 (Ann Lee)".
QString Named(const zel::data::UserDescription& user)
{
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(user.UserID()), QString::fromStdString(user.Name()));
}

} // namespace

AddRemoveUsers::AddRemoveUsers(QWidget* parent)
    : QWidget(parent), mMakeChannel(zel::workflows::DefaultChannelMaker()),
      mMaxChannels(zel::workflows::ParallelGroups::DefaultMaxChannels)
{
    setObjectName(QStringLiteral("AddRemoveUsers"));
    resize(DesignWidth, DesignHeight);
    setMinimumSize(MinimumWidth, MinimumHeight);

    mSplitter = new QSplitter(Qt::Horizontal, this);
    mSplitter->setObjectName(QStringLiteral("Splitter1"));
    mSplitter->setChildrenCollapsible(false);
    int splitterTop = Margin + RotateSize + 4;
    mSplitter->setGeometry(Margin, splitterTop, DesignWidth - 2 * Margin,
                           DesignHeight - splitterTop - 2 * Margin - ButtonHeight);
    mUsers = new DetailedUserListView(mSplitter);
    mUsers->setObjectName(QStringLiteral("lvwUsers"));
    mClocks = new ClockListView(mSplitter);
    mClocks->setObjectName(QStringLiteral("lvwClocks"));
    mSplitter->addWidget(mUsers);
    mSplitter->addWidget(mClocks);

    mRotate = new RotateViewButton(mSplitter, this);
    mRotate->setGeometry(DesignWidth - Margin - RotateSize, Margin, RotateSize, RotateSize);

    int buttonTop = DesignHeight - Margin - ButtonHeight;
    mExport = new QPushButton(QStringLiteral("Export"), this);
    mExport->setObjectName(QStringLiteral("cmdExport"));
    mExport->setGeometry(DesignWidth - 2 * (Margin + ButtonWidth), buttonTop, ButtonWidth, ButtonHeight);
    mRemove = new QPushButton(QStringLiteral("Remove"), this);
    mRemove->setObjectName(QStringLiteral("cmdRemove"));
    mRemove->setGeometry(DesignWidth - Margin - ButtonWidth, buttonTop, ButtonWidth, ButtonHeight);
    mForgetButton = new QPushButton(QStringLiteral("Forget..."), this);
    mForgetButton->setObjectName(QStringLiteral("cmdForget"));
    mForgetButton->setToolTip(QStringLiteral("Removes the chosen users from every clock of the site and their hand "
                                             "templates from the site database"));
    mForgetButton->setGeometry(DesignWidth - 3 * (Margin + ButtonWidth), buttonTop, ButtonWidth, ButtonHeight);

    mNoTemplate = new QLabel(this);
    mNoTemplate->setObjectName(QStringLiteral("lblNoTemplate"));
    mNoTemplate->setWordWrap(true);
    mNoTemplate->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    mNoTemplate->setGeometry(Margin, buttonTop - Margin / 2, mForgetButton->x() - 2 * Margin, ButtonHeight + Margin);
    mNoTemplate->hide();

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mSplitter, AnchorAll);
    mAnchor->Add(mRotate, AnchorRight);
    mAnchor->Add(mExport, AnchorRight | AnchorBottom);
    mAnchor->Add(mRemove, AnchorRight | AnchorBottom);
    mAnchor->Add(mForgetButton, AnchorRight | AnchorBottom);
    mAnchor->Add(mNoTemplate, AnchorLeft | AnchorRight | AnchorBottom);

    connect(mExport, &QPushButton::clicked, this, &AddRemoveUsers::cmdExport_Click);
    connect(mRemove, &QPushButton::clicked, this, &AddRemoveUsers::cmdRemove_Click);
    connect(mForgetButton, &QPushButton::clicked, this, &AddRemoveUsers::cmdForget_Click);
    mForget = new ForgetUsers(this, mMakeChannel);
    connect(mForget, &ForgetUsers::ProgressShown, this, &AddRemoveUsers::ProgressShown);
    connect(mUsers, &DetailedUserListView::SelectionChanged, this, &AddRemoveUsers::lvwUsers_SelectionChanged);
}

AddRemoveUsers::~AddRemoveUsers() = default;

void AddRemoveUsers::SetChannelMaker(zel::workflows::ChannelMaker maker)
{
    mMakeChannel = maker ? std::move(maker) : zel::workflows::DefaultChannelMaker();
    delete mForget;
    mForget = new ForgetUsers(this, mMakeChannel);
    connect(mForget, &ForgetUsers::ProgressShown, this, &AddRemoveUsers::ProgressShown);
}

void AddRemoveUsers::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
}

void AddRemoveUsers::cmdExport_Click()
{
    Transmit(true);
}

void AddRemoveUsers::cmdRemove_Click()
{
    Transmit(false);
}

void AddRemoveUsers::cmdForget_Click()
{
    if (mBusy)
        return; // one command at a time
    auto users = mUsers->GetSelected();
    if (users.Empty()) {
        ShowMessage(this, QStringLiteral("You must have atleast one user selected."),
                    QStringLiteral("No Users Selected"), MsgIcon::Exclamation);
        return;
    }
    std::vector<std::shared_ptr<zel::data::UserDescription>> chosen;
    for (const auto& user : users)
        chosen.push_back(user);
    CloseResult();
    mBusy = true;
    mForget->Run(chosen);
    mBusy = false;
}

void AddRemoveUsers::Transmit(bool exporting)
{
    if (mBusy)
        return; // one command at a time
    auto clocks = mClocks->GetSelected();
    if (clocks.Empty()) {
        ShowMessage(this, QStringLiteral("You must have atleast one clock selected."),
                    QStringLiteral("No Clocks Selected"), MsgIcon::Exclamation);
        return;
    }
    auto users = mUsers->GetSelected();
    if (users.Empty()) {
        ShowMessage(this, QStringLiteral("You must have atleast one user selected."),
                    QStringLiteral("No Users Selected"), MsgIcon::Exclamation);
        return;
    }
    CloseResult();
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> chosen;
    for (const auto& clock : clocks)
        chosen.push_back(clock);
    std::vector<std::shared_ptr<zel::data::UserDescription>> chosenUsers;
    for (const auto& user : users)
        chosenUsers.push_back(user);

    mBusy = true;
    zel::workflows::UserTransmission transmission(mMakeChannel);
    transmission.SetStopAtError(true); // an error of the clock library ends the command
    transmission.SetMaxChannels(mMaxChannels);

    frmMessage running(this);
    mRunning = &running;
    running.setWindowTitle(exporting ? QStringLiteral("Exporting Users") : QStringLiteral("Removing Users"));
    running.SetText((exporting ? QStringLiteral("Exporting %1 to %2") : QStringLiteral("Removing %1 from %2"))
                        .arg(Counted(chosenUsers.size(), "user"), Counted(chosen.size(), "clock")));
    running.setWindowModality(Qt::WindowModal); // input to the main window waits; Cancel stays reachable
    connect(&running, &frmMessage::CancelClick, this, [&running, &transmission] {
        transmission.Cancel();
        running.SetCancelEnabled(false);
    });
    transmission.SetProgress([this, &running](const zel::workflows::ChannelStep& step) {
        emit ProgressShown(running.ShowChannelStep(step));
    });
    running.show();

    if (exporting) {
        transmission.Send(chosen, chosenUsers);
    } else {
        std::vector<std::string> ids;
        ids.reserve(chosenUsers.size());
        for (const auto& user : chosenUsers)
            ids.push_back(user->UserID());
        transmission.Remove(chosen, ids);
    }
    const zel::workflows::CommandReport report = transmission.Report();
    if (!transmission.AuditFailure().empty())
        qWarning("%s", transmission.AuditFailure().c_str());
    running.hide();
    mRunning = nullptr;
    mBusy = false;

    mResult = new frmCommandResult(
        this, exporting ? QStringLiteral("Export Results") : QStringLiteral("Remove Results"), report);
    mResult->show();
}

void AddRemoveUsers::lvwUsers_SelectionChanged()
{
    QStringList named;
    QStringList all;
    for (const auto& user : mUsers->GetSelected()) {
        if (HasTemplate(*user))
            continue;
        all << Named(*user);
        if (named.size() < NamesInNote)
            named << Named(*user);
    }
    if (all.isEmpty()) {
        mNoTemplate->clear();
        mNoTemplate->setToolTip(QString());
        mNoTemplate->hide();
        return;
    }
    QString who = named.join(QStringLiteral(", "));
    if (all.size() > named.size())
        who += QStringLiteral(" and %1 more").arg(all.size() - named.size());
    mNoTemplate->setText(
        all.size() == 1
            ? QStringLiteral("%1 has no hand template (not enrolled) and is sent without one.").arg(who)
            : QStringLiteral("%1 chosen users have no hand template (not enrolled) and are sent without one: %2.")
                  .arg(all.size())
                  .arg(who));
    mNoTemplate->setToolTip(QStringLiteral("Export sends these users without a hand template; no hand matches them "
                                           "at a clock until they are enrolled:\n") +
                            all.join(QLatin1Char('\n')));
    mNoTemplate->show();
}

QString AddRemoveUsers::NoTemplateNote() const
{
    return mNoTemplate->isHidden() ? QString() : mNoTemplate->text();
}

frmCommandResult* AddRemoveUsers::ResultWindow() const
{
    return mResult;
}

void AddRemoveUsers::CloseResult()
{
    if (mResult)
        mResult->close(); // deletes itself
}

} // namespace zel::ui
