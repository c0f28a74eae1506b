#pragma once

#include "pages/ReaderPanel.h"

#include "zel/workflows/ClockCheckup.h"

#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;

namespace zel::ui {

// The "Clock Check" panel of the Clock Setup tab: how far the connected clock is from the local
// time of its zone (the clock's own time zone, else this computer's), and a warning when that is
// more than a second or two or when its daylight-saving dates are not this year's. "Mend" sets
// the clock to the time of its zone and sends this year's dates of its zone, as far as each is
// needed (ClockCheckup), then checks again; "Check" only checks again. Mended tells the other
// panels to read the clock again.
//
// How it fails: an error of the clock or an unknown zone is shown in a message box (RunCommand)
// and in the panel's text; the clock is then left as it was.
class ReaderClockCheck : public ReaderPanel {
    Q_OBJECT
public:
    explicit ReaderClockCheck(QWidget* parent = nullptr);

signals:
    void Mended();

protected:
    void ReaderConnected() override;
    void ReaderDisconnected() override;

private:
    void cmdCheckClock_Click();
    void cmdMendClock_Click();
    void Examine();
    void ShowFindings();

    QGroupBox* mFrame;
    QLabel* mDifference;
    QLabel* mWarning;
    QPushButton* mCheck;
    QPushButton* mMend;
    std::optional<zel::workflows::ClockCheckup::Findings> mFindings;
};

} // namespace zel::ui
