#pragma once

#include "zel/data/AuditLog.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace zel::ui {

class DateRangeFilter;

class AuditTableModel;

// The Activity window: the site's audit trail, newest first (tblActivity: time in UTC, user,
// host, program, action, clock, users, outcome, detail), narrowed by the filters above it
// (chkSince/dtpSince, chkUntil/dtpUntil: UTC dates; txtClock: a clock's name or ID; txtUserID;
// cboAction; cmdClearFilters), read page by page as the table scrolls, with lblCount telling how
// many rows the filters cover. "Verify" (cmdVerify) walks the hash chain and says whether it is
// intact or names the first row changed, removed or inserted; "Export..." (cmdExport) writes what
// the filters show to a CSV file (mode 0600, put in place whole). No row can be changed or
// deleted from here.
//
// Holds the table's model. How it fails: a site database error while reading shows in lblCount;
// a verify or an export that fails is told in a message box, and a partly written file is removed.
class frmActivity : public QDialog {
    Q_OBJECT
public:
    explicit frmActivity(QWidget* parent = nullptr);

    // The filter the controls describe now, and showing it.
    zel::data::AuditFilter CurrentFilter() const;
    void ApplyFilter();
    // Walks the chain and tells the verdict in a message box; returns it.
    zel::data::AuditVerdict Verify();
    // Writes the rows the filters show to `path` as CSV; returns how many, or -1 after telling
    // the administrator why it failed.
    std::int64_t ExportTo(const QString& path);

    AuditTableModel* Model() const { return mModel; }

private:
    void UpdateCount();
    void cmdExport_Click();
    void cmdClearFilters_Click();

    DateRangeFilter* mDates;
    QLineEdit* mClock;
    QLineEdit* mUserID;
    QComboBox* mAction;
    QPushButton* mClearFilters;
    QTableView* mTable;
    QLabel* mCount;
    QPushButton* mVerify;
    QPushButton* mExport;
    QTimer* mFilterTimer;
    AuditTableModel* mModel;
};

} // namespace zel::ui
