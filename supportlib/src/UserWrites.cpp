#include "zel/support/UserWrites.h"

#include "zel/Error.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>

namespace zel::support {
namespace {

std::string Users(int count)
{
    return std::to_string(count) + (count == 1 ? " user" : " users");
}

std::string Join(const std::vector<std::string>& parts)
{
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

} // namespace

bool UserWrites::Plain() const
{
    return AlreadyHeld == 0 && Removed == 0 && ByBank == 0 && Lacking.empty() && NotRemoved.empty() &&
           Uncertain.empty() && Planned;
}

int UserWrites::UncertainWanted() const
{
    return static_cast<int>(std::count_if(Uncertain.begin(), Uncertain.end(), [this](const std::string& id) {
        return std::find(Lacking.begin(), Lacking.end(), id) != Lacking.end();
    }));
}

std::string UserWrites::DoneText() const
{
    if (Plain())
        return {};
    std::vector<std::string> parts;
    if (AlreadyHeld > 0)
        parts.push_back(std::to_string(AlreadyHeld) + " already held");
    if (Removed > 0)
        parts.push_back(std::to_string(Removed) + (Cleared ? " removed by clearing the clock" : " removed"));
    if (ByBank > 0)
        parts.push_back(std::to_string(ByBank) + " written in " + std::to_string(Banks) +
                        (Banks == 1 ? " data bank" : " data banks"));
    if (OneByOne > 0 && ByBank > 0) // which of the users written went which way
        parts.push_back(std::to_string(OneByOne) + " one by one");
    const int uncertainRemovals = static_cast<int>(Uncertain.size()) - UncertainWanted();
    if (uncertainRemovals > 0)
        parts.push_back(std::to_string(uncertainRemovals) +
                        (uncertainRemovals == 1 ? " removal uncertain" : " removals uncertain"));
    return Join(parts);
}

std::string UserWrites::LackText() const
{
    if (!Planned)
        return "nothing was written";
    if (Lacking.empty())
        return {};
    const int lacking = static_cast<int>(Lacking.size());
    std::string text = ClockRead ? "the clock lacks " + std::to_string(lacking) + " of the " + Users(Wanted)
                                 : std::to_string(lacking) + " of the " + Users(Wanted) + " not confirmed on the clock";
    if (const int uncertain = UncertainWanted(); uncertain > 0)
        text += ", " + std::to_string(uncertain) + " of them uncertain (the answer to the last frame was lost)";
    return text;
}

bool MayHaveBeenCarriedOut(const std::exception& error)
{
    const auto* raised = dynamic_cast<const zel::Error*>(&error);
    if (!raised || raised->Source() != kChannelErrorSource)
        return false; // refused before anything went out
    switch (raised->Number() - kZelErrorBase) {
    case 4:  // no answer in time
    case 5:  // a damaged answer (or the clock's own BadCrc: told as uncertain all the same)
    case 6:  // an answer too long
    case 7:  // an answer too short
    case 11: // the link failed during the exchange
    case 12: // the exchange was cancelled
        return true;
    default:
        return false;
    }
}

} // namespace zel::support
