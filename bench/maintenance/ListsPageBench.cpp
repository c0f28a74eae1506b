// Timing driver for the lists page with a large site. Prints one line per figure.
//
//   bench_lists_page [users]     (default 10000; runs offscreen unless QT_QPA_PLATFORM is set)

#include "MessageBox.h"
#include "editors/EditCommandBar.h"
#include "editors/ItemListUI.h"
#include "editors/ListContainer.h"
#include "editors/UserDetailUI.h"
#include "editors/UserListEditor.h"
#include "editors/UserListUI.h"

#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* what, double ms)
{
    std::printf("%-58s %10.2f ms\n", what, ms);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

    zel::ui::SetMessageHandler([](const zel::ui::MessageRequest& request) {
        std::fprintf(stderr, "unexpected message: %s\n", request.text.toStdString().c_str());
        std::exit(1);
        return zel::ui::MsgResult::Ok;
    });

    char folderPattern[] = "/tmp/zellistsbench-XXXXXX";
    const std::string folder = ::mkdtemp(folderPattern);
    const std::string path = folder + "/zel.mdb";
    zel::data::DataSource::CreateDatabase(path);

    // The site is made by another thread, as an earlier run of the program would have.
    auto start = Clock::now();
    std::thread filler([&] {
        zel::data::DataSource source;
        source.OpenDatabase(path);
        auto users = source.GetUserDescriptionList();
        for (int i = 0; i < userCount; ++i)
            users->Add(std::to_string(100000 + i), "User " + std::to_string(i));
    });
    filler.join();
    std::printf("site of %d users\n", userCount);
    Report("filling the site (not the page's work)", MillisecondsSince(start));

    zel::data::DataSource source;
    source.OpenDatabase(path);

    start = Clock::now();
    auto users = source.GetUserDescriptionList();
    source.GetReaderDescriptionList();
    source.GetChannelDescriptionList();
    Report("loading the three lists from the file", MillisecondsSince(start));

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
    Report("one edit saved (median of 21)", Median(edits));
    Report("one edit saved (slowest of 21)", *std::max_element(edits.begin(), edits.end()));

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

    start = Clock::now();
    list->SetListIndex(userCount / 2);
    emit list->Click();
    Press(bar, "cmdRemove");
    QApplication::processEvents();
    Report("one user removed", MillisecondsSince(start));

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
