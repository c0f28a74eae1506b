#pragma once

#include "pages/frmEventResults.h"
#include "zel/data/EventStore.h"
#include "zel/workflows/ChannelGroups.h"
#include "zel/workflows/EventExport.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace zel::data {
class ReaderDescription;
}
namespace zel::workflows {
class EventCollector;
}

namespace zel::ui {

class DateRangeFilter;

class EventTableModel;
class frmMessage;

// The Events page: the events collected from the clocks' logs, newest first (tblEvents: time,
// clock, user ID, user name, event), narrowed by the filters above it (chkSince/dtpSince,
// chkUntil/dtpUntil, cboClock, txtUserID, cboKind; cmdClearFilters), with lblCount telling how
// many events the filters cover. "Collect..." (cmdCollect) reads the chosen clocks' new events
// into the site database; "Export..." (cmdExport) writes what the filters show to a CSV or JSON
// file.
//
// Holds the table's model (which reads the events page by page, never all at once), the
// collection while it runs and its windows. The events come through the site database library and
// the clocks through the workflows library; this page knows neither SQL nor the clocks' protocol.
// How it fails: a site database error while reading shows in lblCount and a message box; a
// collection refused (a read-only site: Collect is locked, its tooltip says why) or an export that
// cannot write its file is told in a message box, and a partly written export file is removed.
class EventsPage : public QWidget {
    Q_OBJECT
public:
    using ReaderPtr = std::shared_ptr<zel::data::ReaderDescription>;

    explicit EventsPage(QWidget* parent = nullptr);
    ~EventsPage() override;

    // Reads the clock list (for cboClock) and the events again.
    void Refresh();
    // The filter the controls describe now.
    zel::data::EventFilter CurrentFilter() const;
    // Shows what the controls describe now (they do so by themselves shortly after a change).
    void ApplyFilter();

    // Collects these clocks' new events with the progress window, then shows the result window.
    // Returns false when nothing ran (no clock, a collection already running, a refused site).
    bool Collect(const std::vector<ReaderPtr>& clocks);
    // Writes the events the filters show to `path` in `format` (without one: ".json" JSON, else
    // CSV). Returns the number written, or -1 after telling the administrator why it failed.
    std::int64_t ExportTo(const QString& path);
    std::int64_t ExportTo(const QString& path, zel::workflows::EventFileFormat format);

    // The file and format an answer of the Export dialog stands for. The chosen filter gives the
    // format ("All files": the name's extension, CSV unless ".json"); a name without an extension
    // gets the format's, and one with the other format's extension (the suggested "events.csv"
    // left as it was while JSON was chosen) has it replaced. Any other extension is kept.
    struct ExportChoice {
        QString Path;
        zel::workflows::EventFileFormat Format = zel::workflows::EventFileFormat::Csv;
    };
    static ExportChoice ExportChoiceFor(const QString& file, const QString& nameFilter);
    // The Export dialog's filters: CSV, JSON, all files.
    static const QStringList& ExportFilters();

    void SetChannelMaker(zel::workflows::ChannelMaker maker);
    EventTableModel* Model() const { return mModel; }
    QTableView* Table() const { return mTable; }
    frmMessage* MessageWindow() const { return mMessage; }
    frmEventResults* ResultWindow() const { return mResult; }

signals:
    // The progress window's text changed (tests follow the collection through it).
    void StepShown(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void LoadClocks();
    void ShowLogWarning();
    void UpdateCount();
    void cmdCollect_Click();
    void cmdExport_Click();
    void cmdClearFilters_Click();
    void ShowStep(const QString& text);
    void CloseMessage();

    DateRangeFilter* mDates;
    QComboBox* mClock;
    QLineEdit* mUserID;
    QComboBox* mKind;
    QPushButton* mClearFilters;
    QTableView* mTable;
    QLabel* mCount;
    QLabel* mLogWarning; // clocks whose log was close to wrapping at their last collection
    QPushButton* mCollect;
    QPushButton* mExport;
    QTimer* mFilterTimer;
    EventTableModel* mModel;

    zel::workflows::ChannelMaker mMakeChannel;
    std::unique_ptr<zel::workflows::EventCollector> mCollector;
    frmMessage* mMessage = nullptr;
    QPointer<frmEventResults> mResult;
    QString mReadOnly; // why Collect is locked (a site opened read-only), or ""
};

} // namespace zel::ui
