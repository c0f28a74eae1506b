#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"
#include "zel/support/Channel.h"
#include "zel/support/IReader.h"

#include "MessageBox.h"
#include "layout/Anchor.h"
#include "pages/AddRemoveUsers.h"
#include "pages/ClockListView.h"
#include "pages/DetailedUserListView.h"
#include "pages/RotateViewButton.h"
#include "pages/frmCommandResult.h"
#include "pages/frmExportUsers.h"
#include "pages/frmRemoveUsers.h"
#include "pages/modHelpers.h"
#include "zel/workflows/CommandReport.h"

#include <QPushButton>
#include <QSplitter>

#include <exception>
#include <string>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 640;
constexpr int DesignHeight = 440;
constexpr int Margin = 8;
constexpr int ButtonWidth = 90;
constexpr int ButtonHeight = 26;
constexpr int RotateSize = 28;

// Disconnects a group's channel however the group ends.
struct Disconnector {
    std::shared_ptr<zel::support::Channel>& channel;
    ~Disconnector()
    {
        if (channel) {
            try {
                channel->Disconnect();
            } catch (...) {
                // closing a link that has failed already
            }
        }
    }
};

} // namespace

AddRemoveUsers::AddRemoveUsers(QWidget* parent) : QWidget(parent), mMakeChannel(zel::workflows::DefaultChannelMaker())
{
    setObjectName(QStringLiteral("AddRemoveUsers"));
    resize(DesignWidth, DesignHeight);

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

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mSplitter, AnchorAll);
    mAnchor->Add(mRotate, AnchorRight);
    mAnchor->Add(mExport, AnchorRight | AnchorBottom);
    mAnchor->Add(mRemove, AnchorRight | AnchorBottom);

    connect(mExport, &QPushButton::clicked, this, &AddRemoveUsers::cmdExport_Click);
    connect(mRemove, &QPushButton::clicked, this, &AddRemoveUsers::cmdRemove_Click);
}

AddRemoveUsers::~AddRemoveUsers() = default;

void AddRemoveUsers::SetChannelMaker(zel::workflows::ChannelMaker maker)
{
    mMakeChannel = maker ? std::move(maker) : zel::workflows::DefaultChannelMaker();
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
    const auto task = exporting ? zel::workflows::ClockReport::Task::Send : zel::workflows::ClockReport::Task::Remove;
    zel::workflows::CommandReport report(exporting ? "Export" : "Remove");
    std::vector<std::shared_ptr<zel::data::ReaderDescription>> chosen;
    for (const auto& clock : clocks) {
        chosen.push_back(clock);
        report.Plan(clock->Name(), clock->DatabaseID(), task);
    }
    const int userCount = static_cast<int>(users.Count());

    mBusy = true;
    bool stopped = false; // an error of the clock library ends the command
    std::string commandError;
    try {
        for (const auto& group : zel::workflows::GroupByChannel(chosen)) {
            std::shared_ptr<zel::support::Channel> channel;
            std::string why;
            try {
                channel = mMakeChannel(group.ChannelID);
                if (channel)
                    channel->Connect();
                else
                    why = zel::workflows::NoChannelReason(group.ChannelID);
            } catch (const std::exception& error) {
                channel.reset(); // a channel that cannot be made does not connect
                why = zel::workflows::ReportedErrorText(error);
            }
            Disconnector closeAtEnd{channel};
            if (!channel || !channel->IsConnected()) {
                for (const auto& clock : group.Clocks)
                    report.SetNotConnected(report.Find(clock->DatabaseID(), task), why);
                continue; // the whole group is passed over
            }
            for (const auto& clock : group.Clocks) {
                const std::size_t row = report.Find(clock->DatabaseID(), task);
                int done = 0;
                try {
                    auto reader = channel->GetReader(clock->ReaderID());
                    if (!reader) {
                        report.SetNotAnswering(row); // passed over; the next clock follows
                        continue;
                    }
                    QString name = QString::fromStdString(clock->Name());
                    if (exporting) {
                        frmExportUsers window(this);
                        connect(&window, &UserProgressWindow::Advanced, this, [&done](int value) { done = value; });
                        window.Export(this, reader, name, users);
                    } else {
                        frmRemoveUsers window(this);
                        connect(&window, &UserProgressWindow::Advanced, this, [&done](int value) { done = value; });
                        window.Remove(this, reader, name, users);
                    }
                    report.SetDone(row, userCount);
                } catch (const std::exception& error) {
                    report.SetFailed(row, zel::workflows::ReportedErrorText(error), done);
                    stopped = true;
                    break;
                }
            }
            if (stopped)
                break;
        }
    } catch (const std::exception& error) {
        stopped = true; // belongs to no clock (the grouping)
        commandError = zel::workflows::ReportedErrorText(error);
    }
    report.End(stopped ? zel::workflows::CommandReport::Ending::Error : zel::workflows::CommandReport::Ending::Completed, commandError);
    mBusy = false;

    mResult = new frmCommandResult(
        this, exporting ? QStringLiteral("Export Results") : QStringLiteral("Remove Results"), report);
    mResult->show();
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
