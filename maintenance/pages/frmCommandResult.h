#pragma once

#include "zel/workflows/CommandReport.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace zel::ui {

// The result window of a command that works on several clocks (Add/Remove Users, Synchronize):
// one summary line (lblSummary) and, unless every clock succeeded, a list (lvwResults) of every
// chosen clock with what happened to it (columns "Clock", "Task" (only when the clocks have
// different tasks), "Result": the count, what was done to the clock's users and what it lacks).
// When every clock succeeded with nothing more to tell than its count, the summary alone is
// shown, as a short confirmation. cmdOK closes the window. The "Result" column is as wide as its
// longest text up to about half a screen; a longer text wraps onto further lines of its row,
// never cut off.
//
// The pages show it without blocking (show()), owned by the page; it deletes itself when closed.
class frmCommandResult : public QDialog {
    Q_OBJECT
public:
    frmCommandResult(QWidget* owner, const QString& caption, const zel::workflows::CommandReport& report);

    const zel::workflows::CommandReport& Report() const { return mReport; }
    QString Summary() const;
    // The rows of the list as shown: clock name and result text.
    int RowCount() const;
    QString ClockAt(int row) const;
    QString ResultAt(int row) const;
    QString TaskAt(int row) const;
    // Whether the list of clocks is shown (not when every clock succeeded).
    bool ListShown() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Gives each row the height its result text needs at the column's present width.
    void FitResultRows();

    zel::workflows::CommandReport mReport;
    QLabel* mIcon;
    QLabel* mSummary;
    QTreeWidget* mResults;
    QPushButton* mOK;
};

// Column numbers of lvwResults.
inline constexpr int ResultColumnClock = 0;
inline constexpr int ResultColumnTask = 1;
inline constexpr int ResultColumnResult = 2;

} // namespace zel::ui
