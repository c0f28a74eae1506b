#include "UserSite.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/LifecycleStore.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include "clocksim/ClockUser.h"

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace zel::ui::test {

UserSite& UserSite::Get()
{
    static UserSite site;
    return site;
}

UserSite::UserSite()
{
    OpenTemporarySite();

    zel::sim::ServerOptions withPty;
    withPty.Pty = true;
    mLineA = StartEmulator(
        withPty, {{1, zel::sim::ClockModel::Base}, {2, zel::sim::ClockModel::Vt9}, {3, zel::sim::ClockModel::Base}});
    ::setenv("ZEL_COM6", mLineA->PtyPath().c_str(), 1);
    mLineB = StartEmulator({}, {{4, zel::sim::ClockModel::Base}});

    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    auto readers = zel::data::DataSource().GetReaderDescriptionList();
    auto lineA = AddEthernetChannel("Line A", "127.0.0.1", mLineA->Port());
    auto lineB = AddEthernetChannel("Line B", "127.0.0.1", mLineB->Port());
    readers->Add(1, "Alpha", lineA);
    readers->Add(4, "Bravo", lineB);
    readers->Add(3, "Charlie", lineA);
    readers->Add(2, "Delta", lineA);
    readers->Add(9, "Ghost", lineA);
    readers->Add(1, "Dial", channels->Add(zel::data::ModemChannel, "Modem"));
    readers->Add(1, "Broken", AddEthernetChannel("Bad Address", "10.0.0", 3001));
    readers->Add(1, "Orphan", AddEthernetChannel("Gone", "127.0.0.1", 1));
    channels->Remove("Gone");
    channels->Save();
    readers->Add(3, "Serial", AddDirectChannel("Serial Line", 6, 115200));
}

std::int32_t UserSite::ChannelID(const char* name) const
{
    return zel::data::DataSource().GetChannelDescriptionList()->Item(std::string(name))->DatabaseID();
}

std::shared_ptr<zel::data::ReaderDescription> UserSite::Clock(const char* name) const
{
    return SiteClock(name);
}

zel::sim::SimClock& UserSite::Emulated(const char* name)
{
    auto clock = Clock(name);
    auto& server = clock->ChannelDescriptionID() == ChannelID("Line B") ? *mLineB : *mLineA;
    return server.Clock(clock->ReaderID());
}

void UserSite::Reset()
{
    mLineA->SetFaults({});
    mLineB->SetFaults({});
    for (auto* server : {mLineA.get(), mLineB.get()})
        for (auto id : server->ReaderIds())
            server->Clock(id).ClearUserDataBase();
    auto users = zel::data::DataSource().GetUserDescriptionList();
    for (const auto& user : users->Items())
        users->Remove(user->UserID());
    users->Save();
    zel::data::LifecycleStore lifecycle; // erasures a forget left pending on the clocks that never answer
    for (const auto& erasure : lifecycle.Pending())
        lifecycle.RemovePending(erasure.ClockID, erasure.UserID);
    QCoreApplication::processEvents();
}

std::shared_ptr<zel::data::UserDescription> UserSite::AddUser(const std::string& id, const std::string& name,
                                                              bool enrolled, int level)
{
    auto users = zel::data::DataSource().GetUserDescriptionList();
    auto user = users->Add(id, name);
    user->SetAuthorityLevel(level);
    user->SetEnrolled(enrolled);
    if (enrolled)
        user->SetTemplate(TemplateFor(static_cast<std::uint8_t>(std::stoul(id) % 200)));
    users->Save();
    QCoreApplication::processEvents(); // the lists on screen refill once control is back in the loop
    return user;
}

void UserSite::PutClockUser(const char* clock, const std::string& id, std::uint8_t templateSeed, int level)
{
    zel::sim::ClockUser user;
    user.Id = *zel::sim::UserIdFromText(id);
    auto hand = TemplateFor(templateSeed);
    std::copy(hand.begin(), hand.end(), user.Hand.begin());
    user.AuthorityLevel = level;
    if (!Emulated(clock).PutUser(user))
        throw std::runtime_error("clock full");
}

QStringList UserSite::ClockUserIds(const char* clock)
{
    std::vector<unsigned long long> ids;
    for (const auto& user : Emulated(clock).Users())
        ids.push_back(std::stoull(zel::sim::UserIdToText(user.Id)));
    std::sort(ids.begin(), ids.end());
    QStringList result;
    for (auto id : ids)
        result.push_back(QString::number(id));
    return result;
}

std::vector<std::uint8_t> UserSite::ClockTemplate(const char* clock, const std::string& id)
{
    auto user = Emulated(clock).FindUser(*zel::sim::UserIdFromText(id));
    if (!user)
        return {};
    return {user->Hand.begin(), user->Hand.end()};
}

std::vector<std::uint8_t> UserSite::TemplateFor(std::uint8_t seed)
{
    std::vector<std::uint8_t> hand(9);
    for (std::size_t i = 0; i < hand.size(); ++i)
        hand[i] = static_cast<std::uint8_t>(seed + 17 * i + 1);
    return hand;
}

StoppedClock::StoppedClock()
{
    mServer = StartEmulator({}, {{5, zel::sim::ClockModel::Base}});
    mPort = mServer->Port();
    auto channel = AddEthernetChannel("Stopped Line", "127.0.0.1", mPort);
    auto readers = zel::data::DataSource().GetReaderDescriptionList();
    readers->Add(5, "Stopped", channel);
    readers->Save();
    mServer->Stop(); // nothing listens on the port any more
    QCoreApplication::processEvents();
}

StoppedClock::~StoppedClock()
{
    auto readers = zel::data::DataSource().GetReaderDescriptionList();
    readers->Remove("Stopped");
    readers->Save();
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    channels->Remove("Stopped Line");
    channels->Save();
    QCoreApplication::processEvents();
}

QString StoppedClock::NotConnected() const
{
    return QStringLiteral("channel not connected: The channel did not connect (address 127.0.0.1, port %1).")
        .arg(mPort);
}

void SelectRows(QTreeView* view, const QStringList& keys)
{
    QAbstractItemModel* model = view->model();
    QItemSelection selection;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (keys.contains(model->index(row, 0).data().toString()))
            selection.select(model->index(row, 0), model->index(row, model->columnCount() - 1));
    }
    view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

QStringList ColumnTexts(const QTreeView* view, int column)
{
    QStringList texts;
    const QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.push_back(model->index(row, column).data().toString());
    return texts;
}

int VisibleWindows(const QString& objectName)
{
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == objectName && window->isVisible())
            ++count;
    return count;
}

QString ScreenshotFolder()
{
    const QString folder = qEnvironmentVariable("ZEL_SCREENSHOTS");
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
}

bool SavePicture(QWidget* widget, const char* file)
{
    QCoreApplication::processEvents();
    return widget->grab().save(QDir(ScreenshotFolder()).filePath(QString::fromLatin1(file)));
}

void AddPictureUsers()
{
    auto& site = UserSite::Get();
    site.AddUser("1024", "Ann Lee", true, 3);
    site.AddUser("1025", "Bo Stern", true, 0);
    site.AddUser("2001", "Carla Diaz", false, 4);
    site.AddUser("87", "Dev Patel", true, 5);
}

} // namespace zel::ui::test
