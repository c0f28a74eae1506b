#include "ClockSite.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"

#include "pages/ConnectionCenter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdlib>
#include <stdexcept>

namespace zel::ui::test {
namespace {

std::shared_ptr<zel::data::IChannelDescription> AddEthernet(const char* name, const std::string& address, int port)
{
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    auto channel = channels->Add(zel::data::EthernetChannel, name);
    auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
    ethernet->SetIPAddress(address);
    ethernet->SetIPPort(port);
    channels->Save();
    return channel;
}

} // namespace

std::vector<TestFactory>& ClockPageTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

ClockSite& ClockSite::Get()
{
    static ClockSite site;
    return site;
}

ClockSite::ClockSite()
{
    // Short time-outs, so that a clock that does not answer costs little; before the first channel.
    ::setenv("ZEL_TIMEOUT_MS", "300", 1);

    static QTemporaryDir folder; // lives as long as the process: the database stays open to the end
    if (!folder.isValid())
        throw std::runtime_error("no temporary folder");
    mFolder = folder.path();
    const std::string file = QDir(mFolder).filePath(QStringLiteral("zel.mdb")).toStdString();
    zel::data::DataSource::CreateDatabase(file);
    zel::data::DataSource().OpenDatabase(file);

    mTime = std::make_shared<zel::sim::ManualTimeSource>();
    zel::sim::ServerOptions options;
    options.Pty = true;
    options.Time = mTime;
    options.Enrollment.ReadTimeMs = 0;
    mServer = std::make_unique<zel::sim::Server>(options);
    mServer->AddClock(1, zel::sim::ClockModel::Base);
    mServer->AddClock(2, zel::sim::ClockModel::Vt9);
    mServer->AddClock(3, zel::sim::ClockModel::Base);
    mServer->Start();
    ::setenv("ZEL_COM5", mServer->PtyPath().c_str(), 1);

    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    auto readers = zel::data::DataSource().GetReaderDescriptionList();

    auto emulator = AddEthernet("Emulator", "127.0.0.1", mServer->Port());
    readers->Add(1, "Front Door", emulator);
    readers->Add(2, "Back Door", emulator);
    readers->Add(9, "Silent", emulator);

    auto serial = channels->Add(zel::data::DirectChannel, "Serial Line");
    auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(serial);
    direct->SetComPort(5);
    direct->SetBitRate(115200);
    channels->Save();
    readers->Add(3, "Serial", serial);

    readers->Add(1, "Dial Up", channels->Add(zel::data::ModemChannel, "Modem"));
    readers->Add(1, "Bad Address", AddEthernet("Broken", "10.0.0", 3001));
    readers->Add(1, "Nobody", AddEthernet("Nowhere", "127.0.0.1", 1));
}

std::shared_ptr<zel::data::ReaderDescription> ClockSite::Clock(const char* name) const
{
    return zel::data::DataSource().GetReaderDescriptionList()->Item(std::string(name));
}

void ClockSite::ResetEmulator()
{
    mServer->SetFaults({});
    zel::sim::EnrollmentOptions quick;
    quick.ReadTimeMs = 0;
    mServer->SetEnrollmentOptions(quick);
}

void ConnectTo(ConnectionCenter& cc, const QString& name)
{
    auto* clocks = cc.findChild<QComboBox*>(QStringLiteral("cboClocks"));
    clocks->setCurrentIndex(clocks->findText(name));
    cc.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
}

void DisconnectFrom(ConnectionCenter& cc)
{
    cc.findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))->click();
}

int OpenWaitWindows()
{
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QStringLiteral("frmMessage"))
            ++count;
    }
    return count;
}

} // namespace zel::ui::test
