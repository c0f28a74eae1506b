#include "ClockSite.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"

#include "pages/ConnectionCenter.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

#include <cstdlib>

namespace zel::ui::test {

ClockSite& ClockSite::Get()
{
    static ClockSite site;
    return site;
}

ClockSite::ClockSite()
{
    OpenTemporarySite();

    mTime = std::make_shared<zel::sim::ManualTimeSource>();
    zel::sim::ServerOptions options;
    options.Pty = true;
    options.Time = mTime;
    options.Enrollment.ReadTimeMs = 0;
    mServer = StartEmulator(
        options, {{1, zel::sim::ClockModel::Base}, {2, zel::sim::ClockModel::Vt9}, {3, zel::sim::ClockModel::Base}});
    ::setenv("ZEL_COM5", mServer->PtyPath().c_str(), 1);

    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    auto readers = zel::data::DataSource().GetReaderDescriptionList();

    auto emulator = AddEthernetChannel("Emulator", "127.0.0.1", mServer->Port());
    readers->Add(1, "Front Door", emulator);
    readers->Add(2, "Back Door", emulator);
    readers->Add(9, "Silent", emulator);
    readers->Add(3, "Serial", AddDirectChannel("Serial Line", 5, 115200));
    readers->Add(1, "Dial Up", channels->Add(zel::data::ModemChannel, "Modem"));
    readers->Add(1, "Bad Address", AddEthernetChannel("Broken", "10.0.0", 3001));
    readers->Add(1, "Nobody", AddEthernetChannel("Nowhere", "127.0.0.1", 1));
}

std::shared_ptr<zel::data::ReaderDescription> ClockSite::Clock(const char* name) const
{
    return SiteClock(name);
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
