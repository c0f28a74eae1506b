#include "zel/workflows/UserTransfer.h"

#include "zel/Error.h"
#include "zel/Text.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/ExtendedUser.h"

#include <algorithm>

namespace zel::workflows {

bool HasTemplate(const std::vector<std::uint8_t>& hand)
{
    return std::any_of(hand.begin(), hand.end(), [](std::uint8_t byte) { return byte != 0; });
}

bool HasTemplate(const zel::data::UserDescription& user)
{
    return user.Enrolled() && HasTemplate(user.Template());
}

std::shared_ptr<zel::support::ExtendedUser> MakeExtendedUser(const zel::data::UserDescription& user)
{
    const std::string& id = user.UserID();
    if (id.size() > 10 || !zel::IsAllDigits(id))
        throw zel::Error(zel::errc::InvalidArgument, "ZelMaintenance",
                         "The user ID '" + id +
                             "' is not a number of 1 to 10 digits; the user cannot be sent to a clock.");
    auto clockUser = std::make_shared<zel::support::ExtendedUser>();
    clockUser->SetID(id);
    clockUser->SetName(user.Name());
    clockUser->SetAuthorityLevel(static_cast<zel::support::UserAuthorityLevel>(user.AuthorityLevel()));
    std::vector<std::uint8_t> hand = user.Template();
    if (hand.size() < zel::support::kTemplateSize)
        hand.resize(zel::support::kTemplateSize, 0);
    clockUser->SetTemplate(hand);
    return clockUser;
}

std::shared_ptr<zel::data::UserDescription> ImportClockUser(zel::data::UserDescriptionList& list,
                                                            const zel::support::IUser& clockUser)
{
    const std::string id = clockUser.ID();
    if (id.empty())
        return nullptr;
    // A clock's user list is read from its data banks, which hold ID and template only: every
    // level read back is 0. A user the site already knows keeps the level stored for it (else a
    // synchronization would strip every supervisor of the authority on every clock); a new user
    // takes the clock's.
    const std::vector<std::uint8_t> hand = clockUser.Template();
    std::shared_ptr<zel::data::UserDescription> user;
    if (list.Contains(id)) {
        user = list.Item(id);
        if (!HasTemplate(hand))
            return user; // the clock holds no template for it: nothing to learn
    } else {
        user = list.Add(id, "User " + id);
        user->SetAuthorityLevel(static_cast<std::int32_t>(clockUser.AuthorityLevel()));
    }
    if (HasTemplate(hand)) {
        user->SetEnrolled(true);
        user->SetTemplate(hand);
    }
    list.Save();
    return user;
}

} // namespace zel::workflows
