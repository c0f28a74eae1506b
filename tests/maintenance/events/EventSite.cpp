#include "EventSite.h"

#include "clocksim/ClockUser.h"
#include "clocksim/SimClock.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

#include <QDir>

#include <stdexcept>

namespace zel::ui::test {

EventSite& EventSite::Get()
{
    static EventSite site;
    return site;
}

EventSite::EventSite()
{
    OpenTemporarySite();
    mServer =
        StartEmulator(zel::sim::ServerOptions{}, {{1, zel::sim::ClockModel::Base}, {2, zel::sim::ClockModel::Vt9}});
    auto line = AddEthernetChannel("Line A", "127.0.0.1", mServer->Port());
    auto clocks = zel::data::DataSource().GetReaderDescriptionList();
    clocks->Add(1, "Front", line);
    clocks->Add(2, "Back", line);
    clocks->Save();
    auto users = zel::data::DataSource().GetUserDescriptionList();
    users->Add("1024", "Ann Lee");
    users->Add("1025", "Stern, B\xC3\xB8");
    users->Add("87", "Dev Patel");
    users->Save();
}

std::shared_ptr<zel::data::ReaderDescription> EventSite::Clock(const char* name) const
{
    return SiteClock(name);
}

void EventSite::Log(std::uint8_t readerId, std::int32_t formatType, const std::vector<std::string>& userIds)
{
    if (userIds.empty()) {
        mServer->Clock(readerId).LogEvent(formatType);
        return;
    }
    for (const std::string& text : userIds) {
        auto id = zel::sim::UserIdFromText(text);
        if (!id)
            throw std::invalid_argument("not a user ID: " + text);
        mServer->Clock(readerId).LogEvent(formatType, &*id);
    }
}

QString EventSite::ScreenshotFolder()
{
    const QString folder = qEnvironmentVariable("ZEL_SCREENSHOTS");
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
}

} // namespace zel::ui::test
