#include "zel/workflows/UserIDs.h"

#include "zel/Text.h"
#include "zel/data/UserDescriptionList.h"

#include <algorithm>

namespace zel::workflows {

namespace {

// Calls `found` with each user of the list that is `userID` to a clock, the one under exactly that
// key first, until it answers true; returns whether it did. An older row may hold the same number
// with leading zeros ("007" for 7): to a clock that is the same user. Such rows are found by their
// keys: the number with one zero before it, two, and so on up to the longest UserID of the list.
template <typename F> bool FindClockID(const zel::data::UserDescriptionList& list, const std::string& userID, F found)
{
    const auto test = [&](const std::string& key) {
        if (!list.Contains(key))
            return false;
        auto user = list.Item(key);
        return UserIDWithoutLeadingZeros(user->UserID()) == userID && found(user);
    };
    if (test(userID))
        return true;
    if (!zel::IsAllDigits(userID))
        return false; // only a number loses leading zeros
    std::string key = userID;
    while (key.size() < list.LongestUserID()) {
        key.insert(key.begin(), '0');
        if (test(key))
            return true;
    }
    return false;
}

} // namespace

std::string UserIDWithoutLeadingZeros(std::string_view id)
{
    if (!zel::IsAllDigits(id))
        return std::string(id);
    const auto first = id.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(id.substr(first));
}

std::string UserIDProblem(std::string_view id)
{
    constexpr std::ptrdiff_t kMaxLength = 10;
    // Characters, not bytes: a UTF-8 continuation byte starts no character.
    const auto characters =
        std::count_if(id.begin(), id.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
    if (id.empty() || characters > kMaxLength)
        return "User ID must be between 1 and 10 digits.";
    if (UserIDWithoutLeadingZeros(id) == "0")
        return "User ID 0 names no user: choose a number from 1 to 9999999999.";
    return {};
}

bool UserIDHeldByOther(const zel::data::UserDescriptionList& list, const std::string& userID,
                       const zel::data::UserDescription* self)
{
    return FindClockID(list, userID, [&](const auto& user) { return user.get() != self; });
}

std::shared_ptr<zel::data::UserDescription> UserOfClockID(const zel::data::UserDescriptionList& list,
                                                          const std::string& userID)
{
    std::shared_ptr<zel::data::UserDescription> holder;
    FindClockID(list, userID, [&](const auto& user) {
        holder = user;
        return true;
    });
    return holder;
}

bool IsClockUserID(std::string_view id)
{
    return id.size() <= 10 && zel::IsAllDigits(id);
}

} // namespace zel::workflows
