#include "zel/Event.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescription.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"
#include "layout/Anchor.h"
#include "pages/ClockListView.h"
#include "pages/RotateViewButton.h"
#include "pages/SynchronizeUI.h"
#include "pages/frmCommandResult.h"
#include "pages/frmMessage.h"
#include "zel/workflows/Synchronizer.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSplitter>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 640;
constexpr int DesignHeight = 440;
constexpr int Margin = 8;
constexpr int ButtonWidth = 100;
constexpr int ButtonHeight = 26;
constexpr int RotateSize = 28;
// The two lists side by side with a few rows each, the check box beside the button.
constexpr int MinimumWidth = 560;
constexpr int MinimumHeight = 300;

} // namespace

SynchronizeUI::SynchronizeUI(QWidget* parent) : QWidget(parent), mMakeChannel(zel::workflows::DefaultChannelMaker())
{
    setObjectName(QStringLiteral("SynchronizeUI"));
    resize(DesignWidth, DesignHeight);
    setMinimumSize(MinimumWidth, MinimumHeight);

    mSplitter = new QSplitter(Qt::Horizontal, this);
    mSplitter->setObjectName(QStringLiteral("splSourceDestination"));
    mSplitter->setChildrenCollapsible(false);
    int splitterTop = Margin + RotateSize + 4;
    mSplitter->setGeometry(Margin, splitterTop, DesignWidth - 2 * Margin,
                           DesignHeight - splitterTop - 2 * Margin - ButtonHeight);
    mSourceClocks = new ClockListView(mSplitter);
    mSourceClocks->setObjectName(QStringLiteral("lvwSourceClocks"));
    mSourceClocks->SetCaption(QStringLiteral("Source"));
    mDestinationClocks = new ClockListView(mSplitter);
    mDestinationClocks->setObjectName(QStringLiteral("lvwDestinationClocks"));
    mDestinationClocks->SetCaption(QStringLiteral("Destination"));
    mSplitter->addWidget(mSourceClocks);
    mSplitter->addWidget(mDestinationClocks);

    mRotate = new RotateViewButton(mSplitter, this);
    mRotate->setGeometry(DesignWidth - Margin - RotateSize, Margin, RotateSize, RotateSize);

    int bottomTop = DesignHeight - Margin - ButtonHeight;
    mClearDestinations = new QCheckBox(QStringLiteral("Clear Destination Clocks Before Synchronizing"), this);
    mClearDestinations->setObjectName(QStringLiteral("chkClearDestinationClocks"));
    mClearDestinations->setGeometry(Margin, bottomTop, 360, ButtonHeight);
    mSynchronize = new QPushButton(QStringLiteral("Synchronize"), this);
    mSynchronize->setObjectName(QStringLiteral("cmdSynchronize"));
    mSynchronize->setGeometry(DesignWidth - Margin - ButtonWidth, bottomTop, ButtonWidth, ButtonHeight);

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mSplitter, AnchorAll);
    mAnchor->Add(mSynchronize, AnchorRight | AnchorBottom);
    mAnchor->Add(mRotate, AnchorRight);
    mAnchor->Add(mClearDestinations, AnchorBottom);

    connect(mSynchronize, &QPushButton::clicked, this, &SynchronizeUI::cmdSynchronize_Click);
    // The users read are stored in the site database: not on a site opened read-only.
    mReadOnly = ReadOnlyNotice();
    LockForReadOnly({mSynchronize}, mReadOnly);
}

SynchronizeUI::~SynchronizeUI()
{
    mSubscriptions.clear();
    CloseMessage();
}

frmMessage* SynchronizeUI::MessageWindow() const
{
    return mMessage;
}

void SynchronizeUI::SetChannelMaker(zel::workflows::ChannelMaker maker)
{
    mMakeChannel = maker ? std::move(maker) : zel::workflows::DefaultChannelMaker();
}

void SynchronizeUI::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
}

void SynchronizeUI::cmdSynchronize_Click()
{
    if (mSynchronizer)
        return; // a synchronization is running
    if (!mReadOnly.isEmpty()) {
        ShowMessage(this, mReadOnly, QStringLiteral("Synchronize"), MsgIcon::Exclamation);
        return; // before any clock is read
    }
    auto sources = mSourceClocks->GetSelected();
    if (sources.Empty()) {
        ShowMessage(this, QStringLiteral("No source clocks have been selected."), QStringLiteral("No Sources Selected"),
                    MsgIcon::Exclamation);
        return;
    }
    auto destinations = mDestinationClocks->GetSelected();
    if (destinations.Empty()) {
        ShowMessage(this, QStringLiteral("No destination clocks have been selected."),
                    QStringLiteral("No Destinations Clocks"), MsgIcon::Exclamation);
        return;
    }

    mSynchronizer = std::make_unique<zel::workflows::Synchronizer>(mMakeChannel);
    auto keep = [this](zel::Subscription s) {
        mSubscriptions.push_back(std::make_unique<zel::Subscription>(std::move(s)));
    };
    keep(mSynchronizer->BeginSynchornize().Subscribe([this] { mSynchronizer_BeginSynchornize(); }));
    keep(mSynchronizer->EstablishingConnection().Subscribe(
        [this](int mode, std::int32_t id) { mSynchronizer_EstablishingConnection(mode, id); }));
    keep(mSynchronizer->ReaderFound().Subscribe(
        [this](int mode, zel::workflows::Synchronizer::ReaderPtr desc) { mSynchronizer_ReaderFound(mode, desc); }));
    keep(mSynchronizer->SendingUser().Subscribe(
        [this](int mode, zel::workflows::Synchronizer::UserPtr desc) { mSynchronizer_SendingUser(mode, desc); }));
    keep(mSynchronizer->ChannelProgress().Subscribe([this](int, const zel::workflows::ChannelStep& step) {
        if (mMessage)
            emit ChannelStepShown(mMessage->ShowChannelStep(step));
    }));
    keep(mSynchronizer->EndSynchronize().Subscribe([this] { mSynchronizer_EndSynchronize(); }));
    keep(mSynchronizer->Aborted().Subscribe([this] { mSynchronizer_Aborted(); }));

    CloseResult();
    mSynchronize->setEnabled(false);
    bool clear = mClearDestinations->isChecked();
    try {
        mSynchronizer->Execute(sources, destinations, clear);
    } catch (...) {
        // The error ended the synchronization; the report holds its text for the result window.
    }
    CloseMessage();
    const zel::workflows::CommandReport report = mSynchronizer->Report();
    mSubscriptions.clear();
    mSynchronizer.reset();
    mSynchronize->setEnabled(true);

    mResult = new frmCommandResult(this, QStringLiteral("Synchronize Results"), report);
    mResult->show();
}

frmCommandResult* SynchronizeUI::ResultWindow() const
{
    return mResult;
}

void SynchronizeUI::CloseResult()
{
    if (mResult)
        mResult->close(); // deletes itself
}

void SynchronizeUI::mSynchronizer_BeginSynchornize()
{
    CloseMessage();
    mMessage = new frmMessage(this);
    mMessage->setWindowTitle(QStringLiteral("Synchronize"));
    // Input to the main window waits while the synchronization runs; Cancel stays reachable.
    mMessage->setWindowModality(Qt::WindowModal);
    connect(mMessage, &frmMessage::CancelClick, this, &SynchronizeUI::mMessage_CancelClick);
    mMessage->show();
}

void SynchronizeUI::mSynchronizer_EstablishingConnection(int, std::int32_t channelID)
{
    QString name;
    if (auto channel = zel::data::DataSource().GetChannelDescriptionList()->GetByDatabaseID(channelID))
        name = QString::fromStdString(channel->Name());
    ShowStep(QStringLiteral("Establishing connection with ") + name);
}

void SynchronizeUI::mSynchronizer_ReaderFound(int, const std::shared_ptr<zel::data::ReaderDescription>& desc)
{
    ShowStep(QStringLiteral("Connect to reader ") + QString::fromStdString(desc->Name()));
}

void SynchronizeUI::mSynchronizer_SendingUser(int, const std::shared_ptr<zel::data::UserDescription>& desc)
{
    ShowStep(QStringLiteral("Sending user: ") + QString::fromStdString(desc->UserID()) + QStringLiteral(" - ") +
             QString::fromStdString(desc->Name()));
}

void SynchronizeUI::mSynchronizer_EndSynchronize()
{
    CloseMessage();
}

void SynchronizeUI::mSynchronizer_Aborted()
{
    CloseMessage();
}

void SynchronizeUI::mMessage_CancelClick()
{
    if (mSynchronizer)
        mSynchronizer->Abort();
    if (mMessage)
        mMessage->SetCancelEnabled(false);
}

void SynchronizeUI::ShowStep(const QString& text)
{
    if (mMessage)
        mMessage->SetText(text);
    emit StepShown(text);
}

void SynchronizeUI::CloseMessage()
{
    if (mMessage) {
        frmMessage* window = mMessage;
        mMessage = nullptr;
        window->hide();
        delete window; // never called from inside the window's own handlers
    }
}

} // namespace zel::ui
