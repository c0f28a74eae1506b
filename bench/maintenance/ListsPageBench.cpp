// Timing driver for the lists page with a large site, and for the clock list of the Add/Remove
// and Synchronize pages with many clocks. Prints one line per figure; a figure with a goal shows
// the goal and the ratio figure/goal (at most 1.00 meets it).
//
//   bench_lists_page [users] [clocks]   (defaults 10000 and 1000; offscreen unless QT_QPA_PLATFORM is set)

#include "MessageBox.h"
#include "editors/EditCommandBar.h"
#include "editors/ItemListUI.h"
#include "editors/ListContainer.h"
#include "editors/UserDetailUI.h"
#include "editors/UserListEditor.h"
#include "editors/UserListUI.h"
#include "pages/ClockListView.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Memory may not grow: the figures of the 100,000-user site on the build machine before the lists
// kept their changes and indexes beside the entries (peak resident memory, its growth per user).
constexpr double kPeakGoalMB = 107.0;
constexpr double kPerUserGoalKB = 0.82;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* what, double ms)
{
    std::printf("%-58s %10.2f ms\n", what, ms);
}

void Report(const char* what, double ms, double goalMs)
{
    std::printf("%-58s %10.2f ms   goal < %6.1f ms   ratio %5.2f\n", what, ms, goalMs, ms / goalMs);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The process's peak resident memory (VmHWM), in MB.
double PeakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// The clock list of the Add/Remove and Synchronize pages over `clockCount` clocks on 200
// channels: showing it, selecting, and sorting by each column.
void BenchClockList(int clockCount)
{
    constexpr int kChannels = 200;
    auto start = Clock::now();
    {
        zel::data::DataSource source;
        auto channels = source.GetChannelDescriptionList();
        auto clocks = source.GetReaderDescriptionList();
        std::vector<std::shared_ptr<zel::data::IChannelDescription>> made;
        for (int i = 0; i < kChannels; ++i)
            made.push_back(channels->Add(zel::data::EthernetChannel, "Channel " + std::to_string(i)));
        for (int i = 0; i < clockCount; ++i)
            clocks->Add(static_cast<std::uint8_t>(1 + i / kChannels), "Clock " + std::to_string(i),
                        made[static_cast<std::size_t>(i % kChannels)]);
    }
    std::printf("%d clocks on %d channels\n", clockCount, kChannels);
    Report("making the clocks (not the page's work)", MillisecondsSince(start));

    start = Clock::now();
    zel::ui::ClockListView view;
    view.resize(700, 500);
    view.show();
    QApplication::processEvents();
    view.grab();
    Report("clock list: creating and showing", MillisecondsSince(start), 100);

    QTreeView* tree = view.ListView();
    auto* selection = tree->selectionModel();
    std::vector<double> clicks;
    for (int round = 0; round < 21; ++round) {
        start = Clock::now();
        const QModelIndex at = tree->model()->index((round * 37) % clockCount, 0);
        selection->select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
        view.GetSelected();
        tree->viewport()->repaint();
        clicks.push_back(MillisecondsSince(start));
    }
    Report("clock list: select one clock (median of 21)", Median(clicks), 16);

    start = Clock::now();
    view.SelectAll();
    const auto selected = view.GetSelected();
    tree->viewport()->repaint();
    Report("clock list: select all and read the selection", MillisecondsSince(start), 100);
    if (selected.Count() != clockCount)
        std::fprintf(stderr, "the clock list selected %d clocks\n", selected.Count());

    double slowest = 0;
    for (int column = 0; column < 4; ++column) {
        for (int twice = 0; twice < 2; ++twice) { // ascending, then descending
            start = Clock::now();
            emit tree->header()->sectionClicked(column);
            tree->viewport()->repaint();
            slowest = std::max(slowest, MillisecondsSince(start));
        }
    }
    Report("clock list: sort by a column, all selected (slowest of 8)", slowest, 100);
    view.DeselectAll();
}

void Press(zel::ui::EditCommandBar* bar, const char* name)
{
    bar->findChild<QPushButton*>(QString::fromLatin1(name))->click();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int userCount = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int clockCount = argc > 2 ? std::atoi(argv[2]) : 1000;

    zel::ui::SetMessageHandler([](const zel::ui::MessageRequest& request) {
        std::fprintf(stderr, "unexpected message: %s\n", request.text.toStdString().c_str());
        std::exit(1);
        return zel::ui::MsgResult::Ok;
    });

    char folderPattern[] = "/tmp/zellistsbench-XXXXXX";
    const std::string folder = ::mkdtemp(folderPattern);
    const std::string path = folder + "/zel.mdb";
    zel::data::DataSource::CreateDatabase(path);

    // The site is made by another thread, as an earlier run of the program would have. Making a
    // large site takes minutes (one transaction per user): a site made once is kept in /tmp and
    // copied for the next runs.
    const std::string kept = "/tmp/zellistsbench-site-" + std::to_string(userCount) + ".mdb";
    auto start = Clock::now();
    if (std::filesystem::exists(kept)) {
        std::filesystem::remove(path);
        std::filesystem::copy_file(kept, path);
    } else {
        std::thread filler([&] {
            zel::data::DataSource source;
            source.OpenDatabase(path);
            auto users = source.GetUserDescriptionList();
            for (int i = 0; i < userCount; ++i)
                users->Add(std::to_string(100000 + i), "User " + std::to_string(i));
        });
        filler.join();
        std::filesystem::copy_file(path, kept);
    }
    std::printf("site of %d users\n", userCount);
    Report("filling the site (not the page's work)", MillisecondsSince(start));

    zel::data::DataSource source;
    source.OpenDatabase(path);

    const double memoryBefore = PeakMegabytes();
    start = Clock::now();
    auto users = source.GetUserDescriptionList();
    source.GetReaderDescriptionList();
    source.GetChannelDescriptionList();
    Report("loading the three lists from the file", MillisecondsSince(start), 200);

    start = Clock::now();
    zel::ui::ListContainer page;
    Report("creating the page", MillisecondsSince(start));

    start = Clock::now();
    page.InitListEditors();
    Report("binding the page (InitListEditors)", MillisecondsSince(start));

    start = Clock::now();
    page.resize(900, 600);
    page.show();
    QApplication::processEvents();
    page.grab(); // paints the visible lines once
    Report("showing and painting the page", MillisecondsSince(start));

    auto* editor = page.UserEditor();
    auto* list = editor->ListUI();
    auto* bar = editor->CommandBar();
    if (list->ListCount() != userCount) {
        std::fprintf(stderr, "the list shows %d lines\n", list->ListCount());
        return 1;
    }

    // One edit saved: select a line, Edit, change the name, Save, and let the views catch up.
    std::vector<double> edits;
    for (int round = 0; round < 21; ++round) {
        start = Clock::now();
        const int line = (round * 463) % userCount;
        list->SetListIndex(line);
        emit list->Click();
        Press(bar, "cmdEdit");
        editor->DetailUI()
            ->findChild<QLineEdit*>(QStringLiteral("txtName"))
            ->setText(QStringLiteral("Edited %1").arg(round));
        Press(bar, "cmdSave");
        QApplication::processEvents();
        edits.push_back(MillisecondsSince(start));
        if (editor->EditMode() != 0) {
            std::fprintf(stderr, "the edit was not saved\n");
            return 1;
        }
    }
    Report("one edit saved (median of 21)", Median(edits), 5);
    Report("one edit saved (slowest of 21)", *std::max_element(edits.begin(), edits.end()));

    // A rename: the user moves to the end of the list, and its line with it.
    start = Clock::now();
    list->SetListIndex(7 % userCount);
    emit list->Click();
    Press(bar, "cmdEdit");
    editor->DetailUI()->findChild<QLineEdit*>(QStringLiteral("txtUserID"))->setText(QStringLiteral("R-1"));
    Press(bar, "cmdSave");
    QApplication::processEvents();
    Report("one user renamed (moves to the end)", MillisecondsSince(start), 5);

    // One user added: Add, the fields, Save.
    std::vector<double> adds;
    std::vector<double> settled;
    for (int round = 0; round < 11; ++round) {
        start = Clock::now();
        Press(bar, "cmdAdd");
        editor->DetailUI()
            ->findChild<QLineEdit*>(QStringLiteral("txtUserID"))
            ->setText(QStringLiteral("A-%1").arg(round));
        editor->DetailUI()
            ->findChild<QLineEdit*>(QStringLiteral("txtName"))
            ->setText(QStringLiteral("Added %1").arg(round));
        Press(bar, "cmdSave");
        QApplication::processEvents();
        adds.push_back(MillisecondsSince(start));
        // The view lays the rest of its lines out in batches between events: until it is done.
        QApplication::processEvents(QEventLoop::AllEvents, 200);
        settled.push_back(MillisecondsSince(start));
        if (editor->EditMode() != 0) {
            std::fprintf(stderr, "the new user was not saved\n");
            return 1;
        }
    }
    Report("one user added (median of 11)", Median(adds), 5);
    Report("one user added, the whole list laid out again (median)", Median(settled));

    // A burst: 1,000 users changed and saved in one go raise 1,000 ListItemChanged.
    start = Clock::now();
    int changed = 0;
    for (const auto& user : *users) {
        if (changed++ == 1000)
            break;
        user->SetAuthorityLevel(1);
    }
    users->Save();
    QApplication::processEvents();
    Report("1,000 change events saved at once, views refreshed", MillisecondsSince(start));

    std::vector<double> removals;
    for (int round = 0; round < 11; ++round) {
        start = Clock::now();
        list->SetListIndex(userCount / 2 + round);
        emit list->Click();
        Press(bar, "cmdRemove");
        QApplication::processEvents();
        removals.push_back(MillisecondsSince(start));
    }
    Report("one user removed (median of 11)", Median(removals), 5);
    if (list->ListCount() != users->Count()) {
        std::fprintf(stderr, "the list shows %d lines for %d users\n", list->ListCount(), users->Count());
        return 1;
    }
    std::printf("%-58s %10.2f MB   goal <= %5.1f MB   ratio %5.2f\n", "peak memory (max RSS)", PeakMegabytes(),
                kPeakGoalMB, PeakMegabytes() / kPeakGoalMB);
    const double perUser = (PeakMegabytes() - memoryBefore) * 1024.0 / userCount;
    std::printf("%-58s %10.2f kB   goal <= %5.2f kB   ratio %5.2f\n", "memory per user (peak growth from loading on)",
                perUser, kPerUserGoalKB, perUser / kPerUserGoalKB);

    BenchClockList(clockCount);

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
