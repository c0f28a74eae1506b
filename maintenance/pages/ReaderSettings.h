#pragma once

#include "pages/ReaderPanel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zel::ui {

// The "Clock Settings" panel of the Clock Setup tab: time format, daylight saving, time and
// attendance and department tracking of the connected clock, read once per connection and
// written back with "Send". After a Send it tells which daylight-saving dates it sent (this
// machine's time zone gives them) or that it cleared them.
class ReaderSettings : public ReaderPanel {
    Q_OBJECT
public:
    explicit ReaderSettings(QWidget* parent = nullptr);

protected:
    void ReaderConnected() override;
    void ReaderDisconnected() override;

private:
    void cmdSendSettings_Click();
    void SetControlsEnabled(bool enabled);

    QGroupBox* mFrame;
    QLabel* mTimeFormatLabel;
    QComboBox* mTimeFormat;
    QCheckBox* mDayLightSavings;
    QCheckBox* mTandA;
    QCheckBox* mTrackDepartments;
    QLabel* mDayLightSavingsSent;
    QPushButton* mSend;
};

} // namespace zel::ui
