#include "DemoClockSeed.h"

#include "clocksim/SimClock.h"
#include "clocksim/StateFile.h"
#include "clocksim/TimeSource.h"

#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace zel::tools {

void SeedDemoClock(const std::string& siteFile, const std::string& stateFile, const std::string& clock)
{
    if (std::filesystem::exists(stateFile))
        throw std::runtime_error("the state file " + stateFile + " exists already");
    const auto colon = clock.find(':');
    const std::string id = clock.substr(0, colon);
    const std::string model = colon == std::string::npos ? "base" : clock.substr(colon + 1);
    if (id.empty() || id.size() > 3 ||
        !std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; }) || std::stoi(id) > 255 ||
        (model != "base" && model != "vt9"))
        throw std::runtime_error("not a clock (ID:MODEL): " + clock);

    zel::sim::SimClock sim(static_cast<std::uint8_t>(std::stoi(id)),
                           model == "vt9" ? zel::sim::ClockModel::Vt9 : zel::sim::ClockModel::Base,
                           std::make_shared<zel::sim::SystemTimeSource>());

    zel::data::DataSource source;
    source.OpenDatabase(siteFile);
    for (const auto& user : source.GetUserDescriptionList()->Items()) {
        const auto userID = zel::sim::UserIdFromText(user->UserID());
        const auto& hand = user->Template();
        if (!user->Enrolled() || !userID || hand.size() != zel::sim::TemplateSize)
            continue;
        zel::sim::ClockUser clockUser;
        clockUser.Id = *userID;
        std::copy(hand.begin(), hand.end(), clockUser.Hand.begin());
        clockUser.AuthorityLevel = user->AuthorityLevel();
        sim.PutUser(clockUser);
    }
    zel::sim::StateFile::Save(stateFile, {sim.Snapshot()});
}

} // namespace zel::tools
