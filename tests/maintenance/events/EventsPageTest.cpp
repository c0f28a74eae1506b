// The Events page: what a collection shows, the filters, the export, and a large table read page
// by page.
#include "EventSite.h"

#include "MessageRecorder.h"
#include "SpreadsheetCsv.h"
#include "pages/EventsPage.h"
#include "pages/frmEventResults.h"
#include "pages/frmMain.h"
#include "pages/models/EventTableModel.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EventStore.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/EventKinds.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <sys/stat.h>

namespace zel::ui::test {
namespace {

constexpr std::int32_t kPunch = 7;   // identity verified
constexpr std::int32_t kRefusal = 2; // a refusal without a user

template <typename T> T* Child(const QWidget& parent, const char* name)
{
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

QString Cell(const EventTableModel& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

QStringList Column(const EventTableModel& model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << Cell(model, row, column);
    return texts;
}

// Every row is older than the one above it (time stamp, then row ID).
bool NewestFirst(const EventTableModel& model)
{
    for (int row = 1; row < model.rowCount(); ++row) {
        const auto* above = model.EventAt(row - 1);
        const auto* below = model.EventAt(row);
        if (above->TimeStamp < below->TimeStamp || (above->TimeStamp == below->TimeStamp && above->ID <= below->ID))
            return false;
    }
    return true;
}

QStringList ReadLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.pop_back();
    return lines;
}

} // namespace

class EventsPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        auto& site = EventSite::Get();
        site.Log(1, kPunch, {"1024", "1025"});
        site.Log(1, kRefusal, {});
        site.Log(2, kPunch, {"87", "1024"});
    }

    void CollectionShowsTheEventsNewestFirst()
    {
        EventsPage page;
        page.resize(900, 500);
        page.show();
        MessageRecorder messages;
        QStringList steps;
        connect(&page, &EventsPage::StepShown, this, [&](const QString& step) { steps << step; });

        auto& site = EventSite::Get();
        QVERIFY(page.Collect({site.Clock("Front"), site.Clock("Back")}));
        QCOMPARE(messages.Count(), 0);
        QVERIFY(page.MessageWindow() == nullptr);
        QVERIFY(!steps.isEmpty());

        frmEventResults* result = page.ResultWindow();
        QVERIFY(result != nullptr);
        QVERIFY2(result->ResultAt(0).startsWith(QStringLiteral("done")), qPrintable(result->ResultAt(0)));
        QCOMPARE(result->Summary(), QStringLiteral("5 new events from 2 clocks."));
        QCOMPARE(result->RowCount(), 2);
        QCOMPARE(result->ClockAt(0), QStringLiteral("Front"));
        QVERIFY2(result->ResultAt(1).startsWith(QStringLiteral("done")), qPrintable(result->ResultAt(1)));

        const EventTableModel& model = *page.Model();
        QCOMPARE(model.rowCount(), 5);
        QVERIFY(NewestFirst(model));
        QCOMPARE(Child<QLabel>(page, "lblCount")->text(), QStringLiteral("5 events"));
        // The last punch of each clock is above the ones it logged before it.
        const QStringList clocks = Column(model, EventTableModel::ColumnClock);
        const QStringList users = Column(model, EventTableModel::ColumnUserID);
        QCOMPARE(users[clocks.indexOf(QStringLiteral("Back"))], QStringLiteral("1024"));
        QCOMPARE(users[clocks.indexOf(QStringLiteral("Front"))], QStringLiteral(""));
        const int ann = users.indexOf(QStringLiteral("1024"));
        QCOMPARE(Cell(model, ann, EventTableModel::ColumnUserName), QStringLiteral("Ann Lee"));
        QCOMPARE(Cell(model, ann, EventTableModel::ColumnEvent),
                 QString::fromStdString(zel::workflows::EventKindText(kPunch)));
        QCOMPARE(model.headerData(EventTableModel::ColumnUserName, Qt::Horizontal).toString(),
                 QStringLiteral("User Name"));

        // A second collection finds nothing new and stores nothing twice.
        QVERIFY(page.Collect({site.Clock("Front"), site.Clock("Back")}));
        QCOMPARE(page.ResultWindow()->Summary(), QStringLiteral("0 new events from 2 clocks."));
        QCOMPARE(page.Model()->rowCount(), 5);
        QCOMPARE(zel::data::EventStore().Count({}), std::int64_t{5});
    }

    // A clock that does not answer is no clock the events came from.
    void TheSummaryCountsOnlyTheClocksThatWereRead()
    {
        auto clocks = zel::data::DataSource().GetReaderDescriptionList();
        auto silent = clocks->Add(9, "Silent", zel::data::DataSource().GetChannelDescriptionList()->Item("Line A"));
        clocks->Save();
        EventsPage page;
        MessageRecorder messages;
        auto& site = EventSite::Get();
        QVERIFY(page.Collect({site.Clock("Front"), silent, site.Clock("Back")}));
        QCOMPARE(page.ResultWindow()->Summary(),
                 QStringLiteral("0 new events from 2 of 3 clocks. 1 of 3 clocks not done: see the list."));
        clocks->Remove("Silent");
        clocks->Save();
    }

    void CollectWithoutClocksIsRefused()
    {
        EventsPage page;
        MessageRecorder messages;
        QVERIFY(!page.Collect({}));
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, QStringLiteral("No clocks have been selected."));
    }

    void FiltersNarrowTheTable()
    {
        EventsPage page;
        page.Refresh();
        const EventTableModel& model = *page.Model();
        QCOMPARE(model.rowCount(), 5);

        auto* user = Child<QLineEdit>(page, "txtUserID");
        user->setText(QStringLiteral("1024"));
        page.ApplyFilter();
        QCOMPARE(Column(model, EventTableModel::ColumnUserID), QStringList(2, QStringLiteral("1024")));
        user->setText(QStringLiteral("001024")); // as the clock's keypad takes it
        page.ApplyFilter();
        QCOMPARE(model.rowCount(), 2);
        user->clear();

        auto* clock = Child<QComboBox>(page, "cboClock");
        QCOMPARE(clock->itemText(0), QStringLiteral("All clocks"));
        clock->setCurrentIndex(clock->findText(QStringLiteral("Back")));
        page.ApplyFilter();
        QCOMPARE(Column(model, EventTableModel::ColumnClock), QStringList(2, QStringLiteral("Back")));
        QCOMPARE(Child<QLabel>(page, "lblCount")->text(), QStringLiteral("2 events"));
        clock->setCurrentIndex(0);

        auto* kind = Child<QComboBox>(page, "cboKind");
        kind->setCurrentIndex(kind->findText(QStringLiteral("Refusals")));
        page.ApplyFilter();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(Cell(model, 0, EventTableModel::ColumnEvent),
                 QString::fromStdString(zel::workflows::EventKindText(kRefusal)));
        kind->setCurrentIndex(kind->findText(QStringLiteral("Setup changes")));
        page.ApplyFilter();
        QCOMPARE(model.rowCount(), 0);
        kind->setCurrentIndex(0);

        // The day of the events and the days around it.
        page.ApplyFilter();
        const QDate day = QDate::fromString(Cell(model, 0, EventTableModel::ColumnTime).left(10), Qt::ISODate);
        QVERIFY(day.isValid());
        auto* sinceOn = Child<QCheckBox>(page, "chkSince");
        auto* since = Child<QDateEdit>(page, "dtpSince");
        auto* untilOn = Child<QCheckBox>(page, "chkUntil");
        auto* until = Child<QDateEdit>(page, "dtpUntil");
        sinceOn->setChecked(true);
        QVERIFY(since->isEnabled());
        since->setDate(day);
        untilOn->setChecked(true);
        until->setDate(day); // the whole day
        page.ApplyFilter();
        QCOMPARE(model.rowCount(), 5);
        since->setDate(day.addDays(1));
        until->setDate(day.addDays(1));
        page.ApplyFilter();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(Child<QLabel>(page, "lblCount")->text(), QStringLiteral("0 events"));

        // The controls apply themselves a moment after a change.
        QTest::mouseClick(Child<QWidget>(page, "cmdClearFilters"), Qt::LeftButton);
        QCOMPARE(model.rowCount(), 5);
        user->setText(QStringLiteral("87"));
        QTRY_COMPARE(model.rowCount(), 1);
    }

    void ExportWritesWhatTheFilterShows()
    {
        EventsPage page;
        page.Refresh();
        QTemporaryDir folder;
        MessageRecorder messages;

        Child<QLineEdit>(page, "txtUserID")->setText(QStringLiteral("1025"));
        // Not applied yet: the export takes what the controls say.
        const QString csv = folder.filePath(QStringLiteral("events.csv"));
        QCOMPARE(page.ExportTo(csv), 1);
        QCOMPARE(page.Model()->rowCount(), 1);
        QStringList lines = ReadLines(csv);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(QStringLiteral("time,clock,")), qPrintable(lines[0]));
        QVERIFY2(lines[1].contains(QStringLiteral(",1025,\"Stern, B\u00F8\",")), qPrintable(lines[1]));
        QVERIFY2(lines[1].startsWith(Cell(*page.Model(), 0, EventTableModel::ColumnTime).replace(' ', 'T')),
                 qPrintable(lines[1]));

        Child<QLineEdit>(page, "txtUserID")->clear();
        page.ApplyFilter();
        QCOMPARE(page.ExportTo(csv), 5); // the file is replaced
        lines = ReadLines(csv);
        QCOMPARE(lines.size(), 6);
        QVERIFY(!QFile::exists(csv + QStringLiteral(".part")));

        const QString json = folder.filePath(QStringLiteral("events.json"));
        QCOMPARE(page.ExportTo(json), 5);
        QFile file(json);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().trimmed().startsWith('['));
        QCOMPARE(messages.Count(), 0);

        // A folder that is not there: told, and nothing left behind.
        const QString nowhere = folder.filePath(QStringLiteral("missing/events.csv"));
        QCOMPARE(page.ExportTo(nowhere), -1);
        QCOMPARE(messages.Count(), 1);
        QVERIFY(messages.Last().text.startsWith(QStringLiteral("The events could not be exported")));
        QVERIFY(!QFile::exists(nowhere));
    }

    void ExportTakesTheFormatFromTheChosenFilter_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("filter"); // 0 CSV, 1 JSON, 2 all files
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("json");
        QTest::newRow("JSON, no extension") << "/t/out" << 1 << "/t/out.json" << true;
        QTest::newRow("CSV, no extension") << "/t/out" << 0 << "/t/out.csv" << false;
        QTest::newRow("JSON, suggested name left") << "/t/events.csv" << 1 << "/t/events.json" << true;
        QTest::newRow("CSV, .json typed") << "/t/a.JSON" << 0 << "/t/a.csv" << false;
        QTest::newRow("JSON, own extension kept") << "/t/a.txt" << 1 << "/t/a.txt" << true;
        QTest::newRow("all files, .json") << "/t/a.json" << 2 << "/t/a.json" << true;
        QTest::newRow("all files, other") << "/t/a.log" << 2 << "/t/a.log" << false;
        QTest::newRow("all files, no extension") << "/t/a" << 2 << "/t/a.csv" << false;
        QTest::newRow("dotted folder") << "/t/v1.2/out" << 1 << "/t/v1.2/out.json" << true;
    }

    void ExportTakesTheFormatFromTheChosenFilter()
    {
        QFETCH(QString, file);
        QFETCH(int, filter);
        QFETCH(QString, path);
        QFETCH(bool, json);
        const auto choice = EventsPage::ExportChoiceFor(file, EventsPage::ExportFilters().at(filter));
        QCOMPARE(choice.Path, path);
        QCOMPARE(choice.Format == zel::workflows::EventFileFormat::Json, json);
    }

    // The file dialog answered as an administrator does: JSON chosen, a name without extension.
    void ExportDialogWritesJsonWhenJsonIsChosen()
    {
        EventsPage page;
        page.Refresh();
        QTemporaryDir folder;
        MessageRecorder messages;
        bool answered = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            QCOMPARE(dialog->objectName(), QStringLiteral("dlgExportEvents"));
            dialog->selectNameFilter(EventsPage::ExportFilters().at(1));
            dialog->selectFile(folder.filePath(QStringLiteral("out")));
            answered = true;
            static_cast<QDialog*>(dialog)->accept(); // the file dialog's own accept (OK)
        });
        Child<QPushButton>(page, "cmdExport")->click();
        QVERIFY(answered);
        const QString written = folder.filePath(QStringLiteral("out.json"));
        QFile file(written);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(written));
        QVERIFY(file.readAll().trimmed().startsWith('['));
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, QStringLiteral("5 events exported to out.json."));
    }

    void MainWindowShowsThePage()
    {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.ListBar_ItemClick(5);
        auto* page = Child<EventsPage>(window, "Events1");
        QVERIFY(page->isVisible());
        QCOMPARE(Child<QLabel>(window, "lblBanner")->text(), QStringLiteral("Events Collected from the Clocks"));
        QCOMPARE(Child<QListWidget>(window, "ListBar")->item(4)->text(), QStringLiteral("Events"));
        QCOMPARE(page->Model()->rowCount(), 5);

        const QString folder = EventSite::ScreenshotFolder();
        if (!folder.isEmpty()) {
            QCoreApplication::processEvents();
            QVERIFY(window.grab().save(QDir(folder).filePath(QStringLiteral("events.png"))));
        }
    }

    // It leaves a large table behind (of a clock the site does not have): the tests after it
    // look at one clock of the site only.
    void LargeTableIsReadPageByPage()
    {
        constexpr int Total = 200000;
        constexpr std::int32_t ArchiveClock = 9999;
        std::vector<zel::data::StoredEvent> batch;
        const QDateTime start(QDate(2020, 1, 1), QTime(6, 0));
        zel::data::EventStore store;
        for (int i = 0; i < Total; ++i) {
            zel::data::StoredEvent e;
            e.ClockID = ArchiveClock;
            e.ClockName = "Archive";
            e.ReaderID = 1;
            // Two events in every second, so pages also break inside equal time stamps.
            e.TimeStamp = start.addSecs(i / 2).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
            e.FormatType = kPunch;
            e.Data1[5] = static_cast<std::uint8_t>(i % 2);
            e.Data1[4] = static_cast<std::uint8_t>(i % 100);
            e.UserID = std::to_string(5000 + i % 100);
            e.CollectedAt = "2020-06-01 00:00:00";
            batch.push_back(std::move(e));
            if (batch.size() == 20000) {
                QCOMPARE(store.Add(batch), 20000);
                batch.clear();
            }
        }

        EventsPage page;
        page.resize(900, 500);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        const EventTableModel& model = *page.Model();
        QCOMPARE(model.PagesRead(), 1);
        QCOMPARE(model.rowCount(), EventTableModel::DefaultPageSize);
        QCOMPARE(Child<QLabel>(page, "lblCount")->text(), QLocale().toString(Total + 5) + QStringLiteral(" events"));

        // Dragging the scroll bar to the end reads one more page each time.
        QScrollBar* bar = page.Table()->verticalScrollBar();
        for (int drag = 0; drag < 10; ++drag) {
            bar->setValue(bar->maximum());
            QCoreApplication::processEvents();
        }
        QVERIFY2(model.PagesRead() >= 5, qPrintable(QString::number(model.PagesRead())));
        QCOMPARE(model.rowCount(), model.PagesRead() * EventTableModel::DefaultPageSize);
        QVERIFY(model.rowCount() < Total / 50);
        QVERIFY(!model.AllRead());
        QVERIFY(NewestFirst(model));

        // The pages read after the last row match the table read by position.
        const auto byPosition = store.Page(model.Filter(), 0, model.rowCount());
        QCOMPARE(static_cast<int>(byPosition.size()), model.rowCount());
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.EventAt(row)->ID, byPosition[static_cast<std::size_t>(row)].ID);

        // One user among them, read the same way.
        Child<QLineEdit>(page, "txtUserID")->setText(QStringLiteral("5042"));
        page.ApplyFilter();
        QCOMPARE(model.rowCount(), EventTableModel::DefaultPageSize);
        QCOMPARE(Child<QLabel>(page, "lblCount")->text(), QLocale().toString(Total / 100) + QStringLiteral(" events"));
        QCOMPARE(Column(model, EventTableModel::ColumnUserID),
                 QStringList(EventTableModel::DefaultPageSize, QStringLiteral("5042")));

        // A short page ends the reading.
        page.Model()->SetPageSize(1500);
        page.ApplyFilter();
        QCOMPARE(model.rowCount(), 1500);
        page.Model()->fetchMore();
        QCOMPARE(model.rowCount(), Total / 100);
        QVERIFY(model.AllRead());
        QVERIFY(!model.canFetchMore());
    }

    // Names people give reach a spreadsheet as text, the file is its owner's only, and the table
    // shows a name that would reorder its line with '?' in place of the control.
    void HostileNamesAreGuardedInTheFileAndShownVisibly()
    {
        auto& site = EventSite::Get();
        const auto& names = zel::test::HostileNames();
        auto users = zel::data::DataSource().GetUserDescriptionList();
        std::vector<std::string> ids;
        for (std::size_t i = 0; i < names.size(); ++i) {
            ids.push_back(std::to_string(501 + i));
            users->Add(ids.back(), names[i].Name);
        }
        users->Save();
        site.Log(2, kPunch, ids);

        EventsPage page;
        page.Refresh();
        MessageRecorder messages;
        QVERIFY(page.Collect({site.Clock("Back")}));
        auto* clock = Child<QComboBox>(page, "cboClock");
        clock->setCurrentIndex(clock->findText(QStringLiteral("Back")));
        page.ApplyFilter();

        QTemporaryDir folder;
        const QString csv = folder.filePath(QStringLiteral("events.csv"));
        const mode_t mask = ::umask(022);
        const std::int64_t written = page.ExportTo(csv);
        ::umask(mask);
        QVERIFY(written >= static_cast<std::int64_t>(names.size()));
        QCOMPARE(zel::test::FileMode(csv.toStdString()), 0600);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("events.csv")});

        const auto read = zel::test::ReadCsvWithPython(csv.toStdString());
        QCOMPARE(QString::fromStdString(read.Error), QString());
        QCOMPARE(static_cast<std::int64_t>(read.Rows.size()), written + 1);
        const auto& header = read.Rows.front();
        const auto userID = std::find(header.begin(), header.end(), "user_id") - header.begin();
        const auto userName = std::find(header.begin(), header.end(), "user_name") - header.begin();
        int found = 0;
        for (const auto& row : read.Rows) {
            const auto at = std::find(ids.begin(), ids.end(), row[static_cast<std::size_t>(userID)]);
            if (at == ids.end())
                continue;
            const auto& hostile = names[static_cast<std::size_t>(at - ids.begin())];
            QCOMPARE(QString::fromStdString(row[static_cast<std::size_t>(userName)]),
                     QString::fromStdString((hostile.Formula ? "'" : "") + std::string(hostile.Name)));
            ++found;
        }
        QCOMPARE(found, static_cast<int>(names.size()));

        const EventTableModel& model = *page.Model();
        const QStringList shown = Column(model, EventTableModel::ColumnUserName);
        QVERIFY2(shown.contains(QStringLiteral("Ann ?fdp.exe")), qPrintable(shown.join(QLatin1Char('|'))));
        for (const QString& name : shown)
            QVERIFY2(!name.contains(QChar(0x202E)) && !name.contains(QLatin1Char('\r')), qPrintable(name));
        QCOMPARE(messages.Count(), 0);
    }
};

ZEL_REGISTER_EVENTS_TEST(EventsPageTest);

} // namespace zel::ui::test

#include "EventsPageTest.moc"
