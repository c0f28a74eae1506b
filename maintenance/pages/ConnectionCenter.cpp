#include "pages/ConnectionCenter.h"

#include "MessageBox.h"
#include "ShownText.h"
#include "layout/Anchor.h"
#include "layout/Twips.h"
#include "pages/LampShape.h"
#include "pages/modHelpers.h"

#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/IReader.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 600;
const int FixedHeight = TwipsToPixels(1000);
const int LabelGap = TwipsToPixels(50);   // between the caption and the clock list
const int ButtonGap = TwipsToPixels(100); // between the clock list and Connect
constexpr int Margin = 10;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 26;
constexpr int RowTop = 24;
constexpr int PictureSize = 36;
constexpr int LampSize = 18;
constexpr int MinClockListWidth = 140;

} // namespace

ConnectionCenter::ConnectionCenter(QWidget* parent) : QWidget(parent)
{
    InitClockPageResources();
    setObjectName(QStringLiteral("ConnectionCenter"));
    resize(DesignWidth, FixedHeight);
    setFixedHeight(FixedHeight);

    mFrame = new QGroupBox(QStringLiteral("Connection Center"), this);
    mFrame->setObjectName(QStringLiteral("framConnectionCenter"));
    mFrame->setGeometry(0, 0, DesignWidth, FixedHeight);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setStyleHint(QFont::SansSerif);
    mFrame->setFont(tahoma);

    int right = DesignWidth - Margin;
    mClockPicture = new QLabel(mFrame);
    mClockPicture->setObjectName(QStringLiteral("imgClock"));
    right -= PictureSize;
    mClockPicture->setGeometry(right, RowTop - 6, PictureSize, PictureSize);
    mClockPicture->setPixmap(RenderPicture(QStringLiteral(":/clockpage/clock.svg"), QSize(PictureSize, PictureSize)));

    mLamp = new LampShape(mFrame);
    mLamp->setObjectName(QStringLiteral("shpConnectStatus"));
    right -= 8 + LampSize;
    mLamp->setGeometry(right, RowTop + (ButtonHeight - LampSize) / 2, LampSize, LampSize);

    mDisconnect = new QPushButton(QStringLiteral("Disconnect"), mFrame);
    mDisconnect->setObjectName(QStringLiteral("cmdDisconnect"));
    right -= 10 + ButtonWidth;
    mDisconnect->setGeometry(right, RowTop, ButtonWidth, ButtonHeight);

    mConnect = new QPushButton(QStringLiteral("Connect"), mFrame);
    mConnect->setObjectName(QStringLiteral("cmdConnect"));
    right -= 6 + ButtonWidth;
    mConnect->setGeometry(right, RowTop, ButtonWidth, ButtonHeight);

    mLabel = new QLabel(QStringLiteral("Clocks:"), mFrame);
    mLabel->setObjectName(QStringLiteral("lblClocks"));
    mLabel->setGeometry(Margin, RowTop + 4, 40, ButtonHeight - 8);

    mClocks = new QComboBox(mFrame);
    mClocks->setObjectName(QStringLiteral("cboClocks"));
    mClocks->setGeometry(Margin + 40 + LabelGap, RowTop + 1, 200, ButtonHeight - 2);
    // Room for a clock's name between the caption and the buttons.
    setMinimumWidth(Margin + 40 + LabelGap + MinClockListWidth + ButtonGap + (DesignWidth - mConnect->x()));

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mFrame, AnchorAll);
    mAnchor->Add(mConnect, AnchorRight);
    mAnchor->Add(mDisconnect, AnchorRight);
    mAnchor->Add(mClockPicture, AnchorRight);
    mAnchor->Add(mLamp, AnchorRight);

    connect(mConnect, &QPushButton::clicked, this, &ConnectionCenter::cmdConnect_Click);
    connect(mDisconnect, &QPushButton::clicked, this, &ConnectionCenter::cmdDisconnect_Click);
    connect(mClocks, &QComboBox::currentIndexChanged, this, &ConnectionCenter::cboClocks_Click);

    SetText(QStringLiteral("Clocks:"));
    UpdateLamp();
    UpdateButtons();
}

ConnectionCenter::~ConnectionCenter()
{
    mListChangedSubscription.Reset();
    mListItemChangedSubscription.Reset();
    mReader.reset();
    for (const auto& channel : {mChannel, mClosingChannel}) {
        if (!channel)
            continue;
        try {
            channel->Disconnect();
        } catch (...) {
            // the program is taking the page down; nothing to tell anybody
        }
    }
}

void ConnectionCenter::BeginLongCommand()
{
    if (++mLongCommands == 1) {
        UpdateButtons();
        emit BusyChanged(true);
    }
}

void ConnectionCenter::EndLongCommand()
{
    if (mLongCommands > 0)
        --mLongCommands;
    if (mLongCommands == 0 && mClosingChannel) {
        auto channel = std::move(mClosingChannel);
        mClosingChannel.reset();
        RunCommand(this, [&] { channel->Disconnect(); });
    }
    if (mLongCommands == 0) {
        UpdateButtons();
        emit BusyChanged(false);
    }
}

void ConnectionCenter::SetIsConnected(bool value)
{
    if (value)
        ConnectSequence();
    else
        DisconnectSequence();
}

QString ConnectionCenter::Text() const
{
    return mLabel->text();
}

void ConnectionCenter::SetText(const QString& text)
{
    mLabel->setText(text);
    mLabel->adjustSize();
    mLabel->move(Margin, RowTop + (ButtonHeight - mLabel->height()) / 2);
    LayoutHorizontal();
}

void ConnectionCenter::Initialize()
{
    RunCommand(this, [this] {
        auto list = zel::data::DataSource().GetReaderDescriptionList();
        if (list != mReaderList) {
            mListChangedSubscription.Reset();
            mListItemChangedSubscription.Reset();
            mReaderList = list;
            if (mReaderList) {
                mListChangedSubscription = mReaderList->ListChanged().Subscribe([this] { mReaderList_ListChanged(); });
                mListItemChangedSubscription = mReaderList->ListItemChanged().Subscribe(
                    [this](std::shared_ptr<zel::data::ReaderDescription> sender) {
                        mReaderList_ListItemChanged(sender);
                    });
            }
        }
    });
    RefillClocks();
    UpdateLamp();
    UpdateButtons();
}

void ConnectionCenter::mReaderList_ListChanged()
{
    RefillClocks();
}

void ConnectionCenter::mReaderList_ListItemChanged(const std::shared_ptr<zel::data::ReaderDescription>&)
{
    RefillClocks();
}

void ConnectionCenter::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
    LayoutHorizontal();
}

void ConnectionCenter::cmdConnect_Click()
{
    ConnectSequence();
}

void ConnectionCenter::cmdDisconnect_Click()
{
    DisconnectSequence();
}

void ConnectionCenter::cboClocks_Click()
{
    UpdateButtons();
}

std::shared_ptr<zel::data::ReaderDescription> ConnectionCenter::ConnectedClock() const
{
    return mReader && mReaderList ? mReaderList->GetByDatabaseID(mConnectedClockID) : nullptr;
}

void ConnectionCenter::ConnectSequence()
{
    if (mClocks->currentIndex() < 0) {
        ShowMessage(this, QStringLiteral("Please select a clock to enroll at."), QStringLiteral("No Clock Selected"),
                    MsgIcon::Information);
        return;
    }
    if (mReader)
        return; // already connected; a second channel would orphan the first
    if (mLongCommands > 0)
        return; // the running command still works through the channel being closed

    const auto databaseID = mClocks->currentData().toInt();
    bool ok = RunCommand(this, [&] {
        auto clock = mReaderList ? mReaderList->GetByDatabaseID(databaseID) : nullptr;
        if (!clock)
            return; // the clock was deleted under the list: no connection
        mChannel = CreateChannelForDescription(clock->ChannelDescriptionID());
        if (!mChannel)
            return; // a modem channel: nothing to connect through
        mChannel->Connect();
        mReader = mChannel->GetReader(clock->ReaderID());
    });

    if (ok && mReader) {
        mConnectedClockID = databaseID;
        UpdateLamp();
        UpdateButtons();
        emit Connected(mReader);
        return;
    }

    if (ok) {
        ShowMessage(this, QStringLiteral("A connection to the clock could not be established."),
                    QStringLiteral("No Connection Established"), MsgIcon::Exclamation);
    }
    // Failed (the error, if any, has been shown): leave nothing half open.
    mReader.reset();
    if (mChannel) {
        try {
            mChannel->Disconnect();
        } catch (...) {
            // the link is already unusable; it is dropped below either way
        }
        mChannel.reset();
    }
    UpdateLamp();
    UpdateButtons();
}

void ConnectionCenter::DisconnectSequence()
{
    QString failure;
    auto note = [&failure](const std::function<void()>& step) {
        try {
            step();
        } catch (const zel::Error& error) {
            if (failure.isEmpty())
                failure = QString::fromStdString(error.Description());
        } catch (const std::exception& error) {
            if (failure.isEmpty())
                failure = QString::fromLocal8Bit(error.what());
        }
    };

    mConnectedClockID = 0;
    if (mReader) {
        auto reader = std::move(mReader);
        mReader.reset();
        note([&] { reader->AbortEnrollment(); }); // ends an enrollment that runs on the clock
    }
    if (mChannel && mLongCommands > 0) {
        // The running command still has to tell the clock that it stops; the channel is closed
        // when it ends (an earlier one waiting to close goes now).
        if (mClosingChannel)
            note([this] { mClosingChannel->Disconnect(); });
        mClosingChannel = mChannel;
    } else if (mChannel) {
        note([this] { mChannel->Disconnect(); });
    }
    mChannel.reset();
    UpdateLamp();
    UpdateButtons();
    emit Disconnected();
    if (!failure.isEmpty())
        ShowMessage(this, failure, {}, MsgIcon::Exclamation);
}

void ConnectionCenter::RefillClocks()
{
    const QSignalBlocker block(mClocks);
    mClocks->clear();
    if (mReaderList) {
        for (const auto& clock : mReaderList->Items())
            mClocks->addItem(ShownText(clock->Name()), clock->DatabaseID());
    }
    // No entry is chosen, unless a clock is connected: then the list names it.
    mClocks->setCurrentIndex(mReader ? mClocks->findData(mConnectedClockID) : -1);
    UpdateButtons();
    UpdateLamp();
}

void ConnectionCenter::UpdateButtons()
{
    mConnect->setEnabled(mClocks->currentIndex() >= 0 && !mReader && mLongCommands == 0);
    mDisconnect->setEnabled(mReader != nullptr);
}

void ConnectionCenter::UpdateLamp()
{
    mLamp->SetFillColor(mReader ? LampGreen : LampRed);
    const int connected = mReader ? mClocks->findData(mConnectedClockID) : -1;
    mLamp->setToolTip(connected >= 0 ? QStringLiteral("Connected to %1").arg(mClocks->itemText(connected))
                                     : QStringLiteral("Not connected"));
}

void ConnectionCenter::LayoutHorizontal()
{
    const int left = mLabel->x() + mLabel->width() + LabelGap;
    const int width = mConnect->x() - ButtonGap - left;
    mClocks->setGeometry(left, mClocks->y(), qMax(0, width), mClocks->height());
}

} // namespace zel::ui
