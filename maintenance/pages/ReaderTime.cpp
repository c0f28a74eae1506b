#include "pages/ReaderTime.h"

#include "layout/Anchor.h"
#include "pages/ClockAudit.h"
#include "pages/modHelpers.h"

#include "zel/DateTime.h"
#include "zel/support/ClockZone.h"
#include "zel/support/IReader.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 560;
constexpr int DesignHeight = 86;
constexpr int ButtonWidth = 90;
constexpr int RowHeight = 24;

// A clock keeps the year as two digits read back as 1930..2029; other years cannot be set.
const QDate FirstClockDate(1930, 1, 1);
const QDate LastClockDate(2029, 12, 31);

} // namespace

ReaderTime::ReaderTime(QWidget* parent) : ReaderPanel(parent)
{
    setObjectName(QStringLiteral("ReaderTime"));
    resize(DesignWidth, DesignHeight);

    mFrame = new QGroupBox(QStringLiteral("Clock Time"), this);
    mFrame->setObjectName(QStringLiteral("framReaderTime"));
    mFrame->setGeometry(0, 0, DesignWidth, DesignHeight);

    mDateLabel = new QLabel(QStringLiteral("Date of Read:"), mFrame);
    mDateLabel->setObjectName(QStringLiteral("lblReaderDate"));
    mDateLabel->setGeometry(12, 24, 90, RowHeight);
    mDate = new QDateEdit(mFrame);
    mDate->setObjectName(QStringLiteral("dtpReaderDate"));
    mDate->setGeometry(104, 24, 130, RowHeight);
    mDate->setCalendarPopup(true);
    mDate->setDateRange(FirstClockDate, LastClockDate);
    mDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    mDate->setDate(QDate::currentDate());

    mTimeLabel = new QLabel(QStringLiteral("Time of Read:"), mFrame);
    mTimeLabel->setObjectName(QStringLiteral("lblReaderTime"));
    mTimeLabel->setGeometry(12, 52, 90, RowHeight);
    mTime = new QTimeEdit(mFrame);
    mTime->setObjectName(QStringLiteral("dtpReaderTime"));
    mTime->setGeometry(104, 52, 130, RowHeight);
    mTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    mTime->setTime(QTime(0, 0, 0));

    mSetCurrent = new QPushButton(QStringLiteral("Set Current"), mFrame);
    mSetCurrent->setObjectName(QStringLiteral("cmdSetCurrentTime"));
    mSetCurrent->setGeometry(DesignWidth - 2 * ButtonWidth - 18, 52, ButtonWidth, 26);
    mSend = new QPushButton(QStringLiteral("Send"), mFrame);
    mSend->setObjectName(QStringLiteral("cmdSendTime"));
    mSend->setGeometry(DesignWidth - ButtonWidth - 12, 52, ButtonWidth, 26);

    Anchors().Add(mFrame, AnchorLeft | AnchorRight);
    Anchors().Add(mSetCurrent, AnchorRight);
    Anchors().Add(mSend, AnchorRight);

    connect(mSetCurrent, &QPushButton::clicked, this, &ReaderTime::cmdSetCurrentTime_Click);
    connect(mSend, &QPushButton::clicked, this, &ReaderTime::cmdSendTime_Click);
    SetButtonsEnabled(false);
}

void ReaderTime::ReaderConnected()
{
    SetButtonsEnabled(true);
    RunCommand(this, [this] {
        const zel::DateTime now = Reader()->GetTime();
        mDate->setDate(QDate(now.Year(), now.Month(), now.Day()));
        mTime->setTime(QTime(now.Hour(), now.Minute(), now.Second()));
    });
}

void ReaderTime::ReaderDisconnected()
{
    SetButtonsEnabled(false);
}

void ReaderTime::cmdSetCurrentTime_Click()
{
    // The clock keeps the local time of its own zone, which need not be this computer's.
    RunCommand(this, [this] {
        const zel::DateTime now = zel::support::ClockZone::Now(ClockZone());
        mDate->setDate(QDate(now.Year(), now.Month(), now.Day()));
        mTime->setTime(QTime(now.Hour(), now.Minute(), now.Second()));
    });
}

void ReaderTime::cmdSendTime_Click()
{
    const QDate date = mDate->date();
    const QTime time = mTime->time();
    const zel::DateTime value(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
    RunAudited(
        this, Connection(), "time-set",
        [&] {
            auto& reader = RequireReader("ReaderTime");
            RunWithWaitWindow(QStringLiteral("Setting Time"), QStringLiteral("Setting Time..."),
                              [&] { reader.SetTime(value); });
        },
        "set to " + value.ToString());
}

void ReaderTime::SetButtonsEnabled(bool enabled)
{
    mSetCurrent->setEnabled(enabled);
    mSend->setEnabled(enabled);
}

} // namespace zel::ui
