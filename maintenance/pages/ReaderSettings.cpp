#include "pages/ReaderSettings.h"

#include "layout/Anchor.h"
#include "pages/ClockAudit.h"
#include "pages/modHelpers.h"

#include "zel/support/IReader.h"
#include "zel/workflows/ClockSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 560;
constexpr int DesignHeight = 134;
constexpr int ButtonWidth = 90;
constexpr int RowHeight = 24;

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, int left, int top)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(left, top, 200, RowHeight);
    return box;
}

} // namespace

ReaderSettings::ReaderSettings(QWidget* parent) : ReaderPanel(parent)
{
    setObjectName(QStringLiteral("ReaderSettings"));
    resize(DesignWidth, DesignHeight);

    mFrame = new QGroupBox(QStringLiteral("Clock Settings"), this);
    mFrame->setObjectName(QStringLiteral("framReaderSettings"));
    mFrame->setGeometry(0, 0, DesignWidth, DesignHeight);

    mTimeFormatLabel = new QLabel(QStringLiteral("Time Format:"), mFrame);
    mTimeFormatLabel->setObjectName(QStringLiteral("lblTimeFormat"));
    mTimeFormatLabel->setGeometry(12, 24, 90, RowHeight);
    mTimeFormat = new QComboBox(mFrame);
    mTimeFormat->setObjectName(QStringLiteral("cboTimeFormat"));
    mTimeFormat->setGeometry(104, 24, 130, RowHeight);
    mTimeFormat->addItem(QStringLiteral("24 Hour")); // index = the clock's time display format
    mTimeFormat->addItem(QStringLiteral("12 Hour"));
    mTimeFormat->setCurrentIndex(0);

    mDayLightSavings = MakeCheckBox(mFrame, "chkUseDayLightSavings", QStringLiteral("Use DayLight Savings"), 12, 52);
    mTandA = MakeCheckBox(mFrame, "chkUseTandA", QStringLiteral("Use Time and Attendance"), 12, 78);
    mTrackDepartments = MakeCheckBox(mFrame, "chkTrackDepartments", QStringLiteral("Track Departments"), 250, 52);

    // What the last Send did with the daylight-saving dates: they come from the clock's zone.
    mDayLightSavingsSent = new QLabel(mFrame);
    mDayLightSavingsSent->setObjectName(QStringLiteral("lblDayLightSavings"));
    mDayLightSavingsSent->setGeometry(12, 104, DesignWidth - 24, RowHeight);

    mSend = new QPushButton(QStringLiteral("Send"), mFrame);
    mSend->setObjectName(QStringLiteral("cmdSendSettings"));
    mSend->setGeometry(DesignWidth - ButtonWidth - 12, 76, ButtonWidth, 26);

    Anchors().Add(mFrame, AnchorLeft | AnchorRight);
    Anchors().Add(mSend, AnchorRight);
    Anchors().Add(mDayLightSavingsSent, AnchorLeft | AnchorRight);

    connect(mSend, &QPushButton::clicked, this, &ReaderSettings::cmdSendSettings_Click);
    SetControlsEnabled(false);
}

void ReaderSettings::ReaderConnected()
{
    RunCommand(this, [this] {
        auto& reader = *Reader();
        mDayLightSavingsSent->clear();
        mTrackDepartments->setChecked(reader.DepartmentTrackingEnabled());
        mTandA->setChecked(reader.TimeAndAttendanceEnabled());
        const int format = static_cast<int>(reader.TimeDisplayFormat());
        // A value the list does not know shows as no choice; Send then leaves it as it is.
        mTimeFormat->setCurrentIndex(format >= 0 && format < mTimeFormat->count() ? format : -1);
        // Last: it needs the clock's time zone, whose failure should not hide the rest.
        mDayLightSavings->setChecked(reader.DayLightSavingsEnabledIn(ClockZone()));
    });
    SetControlsEnabled(true);
}

void ReaderSettings::ReaderDisconnected()
{
    SetControlsEnabled(false);
}

void ReaderSettings::cmdSendSettings_Click()
{
    const std::string detail = std::string("time and attendance ") + (mTandA->isChecked() ? "on" : "off") +
                               ", department tracking " + (mTrackDepartments->isChecked() ? "on" : "off") +
                               ", time format " + mTimeFormat->currentText().toStdString() + ", daylight saving " +
                               (mDayLightSavings->isChecked() ? "on" : "off");
    RunAudited(
        this, Connection(), "settings",
        [this] {
            auto& reader = RequireReader("ReaderSettings");
            reader.SetTimeAndAttendanceEnabled(mTandA->checkState() == Qt::Checked);
            reader.SetDepartmentTrackingEnabled(mTrackDepartments->checkState() == Qt::Checked);
            if (mTimeFormat->currentIndex() >= 0)
                reader.SetTimeDisplayFormat(
                    static_cast<zel::support::TimeDisplayFormatEnum>(mTimeFormat->currentIndex()));
            QString dayLightSavings = QStringLiteral("Daylight saving cleared");
            if (mDayLightSavings->checkState() == Qt::Checked) {
                const auto dates = zel::workflows::ClockSettings::PutDayLightSavings(reader, ClockZone());
                const QString text = QString::fromStdString(dates.Text());
                dayLightSavings = dates.HasDayLightSavings() ? QStringLiteral("Daylight saving sent: %1 (%2)")
                                                                   .arg(text, QString::fromStdString(dates.ZoneName()))
                                                             : QStringLiteral("Daylight saving cleared: %1").arg(text);
            } else {
                reader.ClearDayLightSavings();
            }
            mDayLightSavingsSent->clear();
            RunWithWaitWindow(QStringLiteral("Send Settings"), QStringLiteral("Sending Settings..."),
                              [&] { reader.SaveSettings(); });
            mDayLightSavingsSent->setText(dayLightSavings);
        },
        detail);
}

void ReaderSettings::SetControlsEnabled(bool enabled)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{mTimeFormat, mDayLightSavings, mTandA, mTrackDepartments, mSend})
        control->setEnabled(enabled);
}

} // namespace zel::ui
