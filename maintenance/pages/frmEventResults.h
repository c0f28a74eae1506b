#pragma once

#include "zel/workflows/EventCollector.h"

#include <QDialog>
#include <QString>

#include <vector>

class QLabel;
class QTreeWidget;

namespace zel::ui {

// The result window of a collection: a summary line (lblSummary) and one row per clock
// (lvwResults: "Clock", "New", "Known", "Result"), where the result tells an error, a
// cancellation or a log that wrapped past the events stored before. cmdOK closes it.
// Shown without blocking, owned by the page; it deletes itself when closed.
class frmEventResults : public QDialog {
    Q_OBJECT
public:
    frmEventResults(QWidget* owner, const std::vector<zel::workflows::EventCollection>& results);

    QString Summary() const;
    int RowCount() const;
    QString ClockAt(int row) const;
    QString ResultAt(int row) const;

    // "1,234 new events from 2 clocks." ("from 2 of 3 clocks" when a clock's log could not be read)
    // and, when some clock was not done, how many were not.
    static QString SummaryOf(const std::vector<zel::workflows::EventCollection>& results);
    // "done", "done: the clock's log no longer reaches ...", "not connected: ...", "failed: ...".
    static QString ResultText(const zel::workflows::EventCollection& result);

private:
    QLabel* mSummary;
    QTreeWidget* mResults;
};

} // namespace zel::ui
