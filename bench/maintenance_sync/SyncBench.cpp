// Timing driver: run it from the build folder's bin/ (it finds libzeldll32.so beside itself).
//
//   bench_maintenance_sync [users-in-site] [clock-users]      defaults 10000 2560
//
// 1. A site database with `users-in-site` users (none enrolled) and an emulated clock holding
//    `clock-users` users; the Clock Users tab reads them (Get Users), all rows are selected and
//    imported. Other pages' user lists are open meanwhile: they must refill once, not per user.
// 2. The Synchronize Users page copies the site's enrolled users (the imported ones) from that clock
//    to 3 emulated clocks, two on one line and one on another, with "Clear Destination Clocks".
#include "MessageBox.h"
#include "pages/ClockListView.h"
#include "pages/ConnectionCenter.h"
#include "pages/DetailedUserListView.h"
#include "pages/ManageClockUsers.h"
#include "pages/SynchronizeUI.h"
#include "pages/models/ClockUsersModel.h"
#include "pages/models/UserListModel.h"

#include "clocksim/ClockUser.h"
#include "clocksim/Server.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/MessagePump.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::shared_ptr<zel::data::IChannelDescription> AddLine(const char* name, int port)
{
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    auto channel = channels->Add(zel::data::EthernetChannel, name);
    auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
    ethernet->SetIPAddress("127.0.0.1");
    ethernet->SetIPPort(port);
    channels->Save();
    return channel;
}

void Report(const char* what, qint64 ms, int count)
{
    double perSecond = ms > 0 ? 1000.0 * count / static_cast<double>(ms) : 0.0;
    std::printf("%-58s %8lld ms  %6d users  %9.0f users/s\n", what, static_cast<long long>(ms), count, perSecond);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zel::support::SetMessagePump([] { QCoreApplication::processEvents(); });
    zel::ui::SetMessageHandler([](const zel::ui::MessageRequest& request) {
        std::printf("message: %s: %s\n", qPrintable(request.title), qPrintable(request.text));
        return request.defaultButton;
    });
    const int siteUsers = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int clockUsers = argc > 2 ? std::atoi(argv[2]) : 2560;

    QTemporaryDir folder;
    const std::string file = QDir(folder.path()).filePath(QStringLiteral("zel.mdb")).toStdString();
    zel::data::DataSource::CreateDatabase(file);
    zel::data::DataSource site;
    site.OpenDatabase(file);

    zel::sim::Server lineA;
    lineA.AddClock(1, zel::sim::ClockModel::Base); // the source
    lineA.AddClock(2, zel::sim::ClockModel::Base);
    lineA.AddClock(3, zel::sim::ClockModel::Base);
    lineA.Start();
    zel::sim::Server lineB;
    lineB.AddClock(4, zel::sim::ClockModel::Base);
    lineB.Start();

    QElapsedTimer timer;
    timer.start();
    auto users = site.GetUserDescriptionList();
    for (int i = 0; i < siteUsers; ++i)
        users->Add(std::to_string(100000 + i), "Site User " + std::to_string(i));
    Report("setting up: site users added", timer.elapsed(), siteUsers);

    for (int i = 0; i < clockUsers; ++i) {
        zel::sim::ClockUser user;
        // Every other clock user is already in the site database (not enrolled), the rest are new.
        int id = i % 2 == 0 ? 100000 + i : 500000 + i;
        user.Id = *zel::sim::UserIdFromText(std::to_string(id));
        for (std::size_t b = 0; b < user.Hand.size(); ++b)
            user.Hand[b] = static_cast<std::uint8_t>(i + b);
        lineA.Clock(1).PutUser(user);
    }
    auto readers = site.GetReaderDescriptionList();
    auto a = AddLine("Line A", lineA.Port());
    auto b = AddLine("Line B", lineB.Port());
    readers->Add(1, "Source", a);
    readers->Add(2, "Target 1", a);
    readers->Add(3, "Target 2", a);
    readers->Add(4, "Target 3", b);

    // Other pages that list the site's users while the work runs.
    zel::ui::DetailedUserListView otherList;
    zel::ui::ClockListView clockList;
    QCoreApplication::processEvents();

    zel::ui::ConnectionCenter center;
    center.Initialize();
    zel::ui::ManageClockUsers page;
    page.Initialize(&center);
    auto* clocks = center.findChild<QComboBox*>(QStringLiteral("cboClocks"));
    clocks->setCurrentIndex(clocks->findText(QStringLiteral("Source")));
    center.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
    if (!center.IsConnected()) {
        std::printf("could not connect to the emulated clock\n");
        return 1;
    }

    timer.restart();
    page.findChild<QPushButton*>(QStringLiteral("cmdGetUsers"))->click();
    Report("Clock Users: Get Users", timer.elapsed(), page.Model()->rowCount());

    page.ListView()->selectAll();
    int refillsBefore = otherList.Model()->RefillCount();
    timer.restart();
    page.findChild<QPushButton*>(QStringLiteral("cmdImport"))->click();
    qint64 importMs = timer.elapsed();
    QCoreApplication::processEvents(); // the other lists catch up once
    qint64 withRefillMs = timer.elapsed();
    Report("Clock Users: Import into the site database", importMs, clockUsers);
    Report("  ... and the other user list refilled", withRefillMs, clockUsers);
    std::printf("other user list rebuilt %d time(s) for the import; site now %d users\n",
                otherList.Model()->RefillCount() - refillsBefore, users->Count());

    center.findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))->click();

    zel::ui::SynchronizeUI sync;
    QCoreApplication::processEvents();
    auto select = [](QTreeView* view, const QStringList& names) {
        for (int row = 0; row < view->model()->rowCount(); ++row)
            if (names.contains(view->model()->index(row, 0).data().toString()))
                view->selectionModel()->select(view->model()->index(row, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select(sync.SourceClocks()->ListView(), {"Source"});
    select(sync.DestinationClocks()->ListView(), {"Target 1", "Target 2", "Target 3"});
    sync.findChild<QCheckBox*>(QStringLiteral("chkClearDestinationClocks"))->setChecked(true);
    int steps = 0;
    QObject::connect(&sync, &zel::ui::SynchronizeUI::StepShown, [&steps](const QString&) { ++steps; });
    refillsBefore = otherList.Model()->RefillCount();
    timer.restart();
    sync.findChild<QPushButton*>(QStringLiteral("cmdSynchronize"))->click();
    qint64 syncMs = timer.elapsed();
    Report("Synchronize: 1 source clock to 3 destination clocks", syncMs, 3 * clockUsers);
    std::printf("destination clocks hold %zu, %zu and %zu users; %d steps shown; other list rebuilt %d time(s)\n",
                lineA.Clock(2).UserCount(), lineA.Clock(3).UserCount(), lineB.Clock(4).UserCount(), steps,
                otherList.Model()->RefillCount() - refillsBefore);
    return 0;
}
