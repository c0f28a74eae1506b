#include "pages/ReaderClockCheck.h"

#include "layout/Anchor.h"
#include "pages/ClockAudit.h"
#include "pages/ConnectionCenter.h"
#include "pages/modHelpers.h"

#include "zel/Error.h"
#include "zel/data/ReaderDescription.h"
#include "zel/support/Channel.h"
#include "zel/workflows/CommandReport.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 560;
constexpr int DesignHeight = 58; // two short lines: the page must still fit a small screen
constexpr int ButtonWidth = 90;
constexpr int LineHeight = 17;

} // namespace

ReaderClockCheck::ReaderClockCheck(QWidget* parent) : ReaderPanel(parent)
{
    setObjectName(QStringLiteral("ReaderClockCheck"));
    resize(DesignWidth, DesignHeight);

    mFrame = new QGroupBox(QStringLiteral("Clock Check"), this);
    mFrame->setObjectName(QStringLiteral("framClockCheck"));
    mFrame->setGeometry(0, 0, DesignWidth, DesignHeight);

    const int textWidth = DesignWidth - 2 * ButtonWidth - 36;
    mDifference = new QLabel(mFrame);
    mDifference->setObjectName(QStringLiteral("lblClockDifference"));
    mDifference->setGeometry(12, 20, textWidth, LineHeight);
    mWarning = new QLabel(mFrame);
    mWarning->setObjectName(QStringLiteral("lblClockWarning"));
    mWarning->setGeometry(12, 20 + LineHeight, textWidth, LineHeight);
    mWarning->setStyleSheet(QStringLiteral("color: #b00000;"));

    mCheck = new QPushButton(QStringLiteral("Check"), mFrame);
    mCheck->setObjectName(QStringLiteral("cmdCheckClock"));
    mCheck->setGeometry(DesignWidth - 2 * ButtonWidth - 18, 22, ButtonWidth, 26);
    mMend = new QPushButton(QStringLiteral("Mend"), mFrame);
    mMend->setObjectName(QStringLiteral("cmdMendClock"));
    mMend->setGeometry(DesignWidth - ButtonWidth - 12, 22, ButtonWidth, 26);
    mMend->setToolTip(QStringLiteral("Sets the clock to the time of its zone and sends this year's daylight-saving "
                                     "dates of its zone, as far as each is needed"));

    Anchors().Add(mFrame, AnchorLeft | AnchorRight);
    Anchors().Add(mDifference, AnchorLeft | AnchorRight);
    Anchors().Add(mWarning, AnchorLeft | AnchorRight);
    Anchors().Add(mCheck, AnchorRight);
    Anchors().Add(mMend, AnchorRight);

    connect(mCheck, &QPushButton::clicked, this, &ReaderClockCheck::cmdCheckClock_Click);
    connect(mMend, &QPushButton::clicked, this, &ReaderClockCheck::cmdMendClock_Click);
    ShowFindings();
}

void ReaderClockCheck::ReaderConnected()
{
    Examine();
}

void ReaderClockCheck::ReaderDisconnected()
{
    mFindings.reset();
    ShowFindings();
}

void ReaderClockCheck::cmdCheckClock_Click()
{
    Examine();
}

void ReaderClockCheck::cmdMendClock_Click()
{
    if (!mFindings)
        return;
    std::string done;
    // Logged like a time set from the Clock Time panel, with what the mending did.
    const bool mended = RunAudited(
        this, Connection(), "time-set",
        [&] {
            auto& reader = RequireReader("ReaderClockCheck");
            const auto clock = Connection()->ConnectedClock();
            const auto channel = Connection()->ConnectedChannel();
            if (!clock || !channel)
                throw zel::Error(zel::errc::InvalidArgument, "ReaderClockCheck", "Reader is not initialized.");
            RunWithWaitWindow(QStringLiteral("Mend Clock"), QStringLiteral("Mending the clock's time..."), [&] {
                done = zel::workflows::ClockCheckup::Mend(reader, *channel, clock->ReaderID(), *mFindings);
            });
        },
        {}, {},
        [&](zel::workflows::ClockResult& result) {
            if (result.Outcome == zel::workflows::ClockOutcome::Done)
                result.Detail = "mended: " + done;
        });
    Examine();
    if (mended) {
        mDifference->setToolTip(mDifference->toolTip() +
                                QStringLiteral("\nLast mended: %1").arg(QString::fromStdString(done)));
        emit Mended();
    }
}

void ReaderClockCheck::Examine()
{
    // Shown in the panel only: a check runs at every connection and must not stop it with a box.
    mFindings.reset();
    QString failure;
    try {
        auto& reader = RequireReader("ReaderClockCheck");
        const auto clock = Connection()->ConnectedClock();
        const auto channel = Connection()->ConnectedChannel();
        if (clock && channel) // else the clock left the site's list: nothing to measure against
            mFindings = zel::workflows::ClockCheckup::Examine(reader, *channel, clock->ReaderID(), clock->TimeZone());
    } catch (const std::exception& error) {
        failure = QString::fromStdString(zel::workflows::ReportedErrorText(error));
    }
    ShowFindings();
    if (!failure.isEmpty())
        mWarning->setText(QStringLiteral("The clock could not be checked: %1").arg(failure));
}

void ReaderClockCheck::ShowFindings()
{
    const bool connected = Reader() != nullptr;
    mCheck->setEnabled(connected);
    mMend->setEnabled(mFindings && mFindings->NeedsMending());
    if (!mFindings) {
        mDifference->setText(connected ? QString() : QStringLiteral("No clock connected."));
        mWarning->clear();
        return;
    }
    mDifference->setText(QString::fromStdString(mFindings->TimeText()));
    mDifference->setToolTip(QStringLiteral("%1 s (positive: ahead) against the local time of %2")
                                .arg(mFindings->Time.DifferenceSeconds)
                                .arg(QString::fromStdString(mFindings->Zone)));
    QStringList warnings;
    if (mFindings->TimeOff())
        warnings << QStringLiteral("The time is off.");
    if (const std::string dst = mFindings->Warning(); !dst.empty())
        warnings << QString::fromStdString(dst);
    mWarning->setText(warnings.join(QLatin1Char(' ')));
    mWarning->setToolTip(mWarning->text()); // whole also where the page is narrow
}

} // namespace zel::ui
