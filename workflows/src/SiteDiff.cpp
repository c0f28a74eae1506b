#include "zel/workflows/SiteDiff.h"

#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/IReader.h"
#include "zel/workflows/ClockBackup.h"
#include "zel/workflows/UserIDs.h"
#include "zel/workflows/UserTransfer.h"

#include <algorithm>
#include <map>

namespace zel::workflows {

namespace {

struct IdLess {
    bool operator()(const std::string& a, const std::string& b) const
    {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
};

std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> bytes)
{
    bytes.resize(zel::support::kTemplateSize, 0);
    return bytes;
}

} // namespace

const char* DifferenceWord(DifferenceKind kind)
{
    switch (kind) {
    case DifferenceKind::OnlyOnClock:
        return "only on clock";
    case DifferenceKind::OnlyInSite:
        return "only in site";
    case DifferenceKind::TemplateDiffers:
        return "template differs";
    case DifferenceKind::LevelDiffers:
        return "level differs";
    case DifferenceKind::NotEnrolledInSite:
        return "not enrolled in the site";
    }
    return "";
}

std::vector<UserDifference> DiffSiteAndClock(const zel::data::UserDescriptionList& site, zel::support::IReader& reader)
{
    std::map<std::string, std::shared_ptr<zel::data::UserDescription>, IdLess> enrolled;
    std::map<std::string, bool, IdLess> known; // every site user, enrolled or not
    for (const auto& user : site.Items()) {
        if (!user)
            continue;
        const std::string id = UserIDWithoutLeadingZeros(user->UserID()); // "007" is the clock's "7"
        known.emplace(id, true);
        if (HasTemplate(*user))
            enrolled.emplace(id, user);
    }

    std::map<std::string, std::shared_ptr<zel::support::IUser>, IdLess> onClock;
    if (auto list = reader.GetUserList())
        for (const auto& user : *list)
            if (user && !user->ID().empty())
                onClock.emplace(user->ID(), user);

    std::vector<UserDifference> differences;
    std::map<std::string, bool, IdLess> all;
    for (const auto& [id, user] : enrolled)
        all.emplace(id, true);
    for (const auto& [id, user] : onClock)
        all.emplace(id, true);
    for (const auto& [id, unused] : all) {
        auto siteIt = enrolled.find(id);
        auto clockIt = onClock.find(id);
        if (siteIt == enrolled.end()) {
            differences.push_back(
                {id, known.count(id) != 0 ? DifferenceKind::NotEnrolledInSite : DifferenceKind::OnlyOnClock, {}, {}});
            continue;
        }
        if (clockIt == onClock.end()) {
            differences.push_back({id, DifferenceKind::OnlyInSite, {}, {}});
            continue;
        }
        const auto siteTemplate = Padded(siteIt->second->Template());
        const auto clockTemplate = Padded(clockIt->second->Template());
        if (siteTemplate != clockTemplate)
            differences.push_back({id, DifferenceKind::TemplateDiffers, ToHex(siteTemplate.data(), siteTemplate.size()),
                                   ToHex(clockTemplate.data(), clockTemplate.size())});
        auto record = reader.GetUser(id);
        const std::int32_t clockLevel = record ? static_cast<std::int32_t>(record->AuthorityLevel()) : 0;
        if (clockLevel != siteIt->second->AuthorityLevel())
            differences.push_back({id, DifferenceKind::LevelDiffers, std::to_string(siteIt->second->AuthorityLevel()),
                                   std::to_string(clockLevel)});
    }
    return differences;
}

} // namespace zel::workflows
