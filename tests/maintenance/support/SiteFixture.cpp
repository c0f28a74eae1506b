#include "SiteFixture.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/support/MessagePump.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <stdexcept>

namespace zel::ui::test {

std::vector<TestFactory>& SiteTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

int RunSiteTests(int argc, char** argv, const std::function<void()>& makeSite)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // What the program's start-up does: long clock commands let the interface run.
    zel::support::SetMessagePump([] { QCoreApplication::processEvents(); });
    makeSite();

    int failed = 0;
    for (const auto& factory : SiteTests()) {
        auto test = factory();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}

QString OpenTemporarySite()
{
    // Before the first channel is made.
    ::setenv("ZEL_TIMEOUT_MS", "300", 1);

    static QTemporaryDir folder; // lives as long as the process: the database stays open to the end
    if (!folder.isValid())
        throw std::runtime_error("no temporary folder");
    const std::string file = QDir(folder.path()).filePath(QStringLiteral("zel.mdb")).toStdString();
    zel::data::DataSource::CreateDatabase(file);
    zel::data::DataSource().OpenDatabase(file);
    return folder.path();
}

std::shared_ptr<zel::data::IChannelDescription> AddEthernetChannel(const char* name, const std::string& address,
                                                                   int port)
{
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    auto channel = channels->Add(zel::data::EthernetChannel, name);
    auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel);
    ethernet->SetIPAddress(address);
    ethernet->SetIPPort(port);
    channels->Save();
    return channel;
}

std::shared_ptr<zel::data::IChannelDescription> AddDirectChannel(const char* name, int comPort, int bitRate)
{
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    auto channel = channels->Add(zel::data::DirectChannel, name);
    auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channel);
    direct->SetComPort(comPort);
    direct->SetBitRate(bitRate);
    channels->Save();
    return channel;
}

std::shared_ptr<zel::data::ReaderDescription> SiteClock(const char* name)
{
    return zel::data::DataSource().GetReaderDescriptionList()->Item(std::string(name));
}

std::unique_ptr<zel::sim::Server> StartEmulator(const zel::sim::ServerOptions& options, const EmulatedClocks& clocks)
{
    auto server = std::make_unique<zel::sim::Server>(options);
    for (const auto& [id, model] : clocks)
        server->AddClock(id, model);
    server->Start();
    return server;
}

} // namespace zel::ui::test
