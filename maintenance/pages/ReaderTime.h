#pragma once

#include "pages/ReaderPanel.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimeEdit;

namespace zel::ui {

// The "Clock Time" panel of the Clock Setup tab: the connected clock's date and time, read once
// per connection; "Set Current" puts the date and time of the clock's zone (the clock's own time
// zone, else this computer's) into the pickers and "Send"
// sets the clock to the pickers' date plus time of day.
class ReaderTime : public ReaderPanel {
    Q_OBJECT
public:
    explicit ReaderTime(QWidget* parent = nullptr);

protected:
    void ReaderConnected() override;
    void ReaderDisconnected() override;

private:
    void cmdSetCurrentTime_Click();
    void cmdSendTime_Click();
    void SetButtonsEnabled(bool enabled);

    QGroupBox* mFrame;
    QLabel* mDateLabel;
    QDateEdit* mDate;
    QLabel* mTimeLabel;
    QTimeEdit* mTime;
    QPushButton* mSetCurrent;
    QPushButton* mSend;
};

} // namespace zel::ui
