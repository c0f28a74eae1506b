#include "UserBanks.h"

#include "zel/support/Channel.h"
#include "zel/support/User.h"
#include "zel/support/ZelErrors.h"

#include <algorithm>
#include <span>
#include <vector>

namespace zel::support {
int BanksFilledBy(std::int32_t userCount, std::size_t slotsPerBank)
{
    if (userCount < 0 || slotsPerBank == 0)
        return kUserBankCount;
    const auto banks = (static_cast<std::size_t>(userCount) + slotsPerBank - 1) / slotsPerBank;
    return static_cast<int>(std::min<std::size_t>(banks, kUserBankCount));
}

std::shared_ptr<UserList> ReadUserBanks(Channel& channel, const BankLayout& layout, const BankUserMaker& makeUser,
                                        int banks)
{
    auto list = std::make_shared<UserList>("ZelClock");
    try {
        for (int bank = 0; bank < std::min(banks, kUserBankCount); ++bank) {
            auto data = channel.GetDataBank(bank);
            for (std::size_t slot = 0; slot < layout.SlotsPerBank; ++slot) {
                const auto* start = data.data() + slot * layout.SlotSize;
                if (start[0] == kEmptySlot)
                    return list;
                auto user = makeUser(start);
                auto key = user->ID();
                list->Add(user, key);
            }
        }
    } catch (const std::exception&) {
        // An unreadable bank or a repeated ID ends the read; what was read is the result.
    }
    return list;
}

std::size_t ActAfterOneSelect(std::size_t count, const UserStep& step, const std::function<void(std::size_t)>& check,
                              const std::function<void()>& select, const std::function<void(std::size_t)>& act)
{
    std::size_t done = 0;
    for (std::size_t k = 0; k < count; ++k) {
        if (step && !step(k))
            break;
        check(k);
        if (done == 0)
            select();
        act(k);
        ++done;
    }
    return done;
}

void CheckVisitorToSend(const IReaderVisitor& item)
{
    if (const auto* user = dynamic_cast<const IUser*>(&item))
        User::CheckID(user->ID());
}

void CheckUserListToSend(const VisitorList& list)
{
    if (list.empty())
        RaiseInvalidArgument("The user list is empty.");
    if (std::any_of(list.begin(), list.end(), [](const auto& item) { return !item; }))
        RaiseInvalidArgument("The user list holds an empty item.");
    for (const auto& item : list)
        CheckVisitorToSend(*item);
}

void WriteUserBanks(Channel& channel, const VisitorList& list, const BankLayout& layout)
{
    std::vector<DataBank> banks((list.size() - 1) / layout.SlotsPerBank + 1);
    for (auto& bank : banks)
        bank.fill(kEmptySlot);
    for (std::size_t k = 0; k < list.size(); ++k) {
        auto* slot = banks[k / layout.SlotsPerBank].data() + (k % layout.SlotsPerBank) * layout.SlotSize;
        list[k]->AppendToVT9ReaderBuffer(std::span<std::uint8_t, 16>(slot, 16));
    }
    for (std::size_t b = 0; b < banks.size(); ++b)
        channel.SetDataBank(static_cast<std::int32_t>(b), banks[b]);
}

} // namespace zel::support
