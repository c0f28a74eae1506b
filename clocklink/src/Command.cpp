#include "zel/link/Command.h"

#include <array>

namespace zel::link {
namespace {

constexpr std::array<CommandInfo, 23> kCommands{{
    {Command::Status, "Status", 0, kStatusRecordSize},
    {Command::GetReaderInfo, "GetReaderInfo", 0, kReaderInfoRecordSize},
    {Command::GetUserRecord, "GetUserRecord", kUserIdRecordSize, kUserRecordSize},
    {Command::GetExtUserRecord, "GetExtUserRecord", kUserIdRecordSize, kExtUserRecordSize},
    {Command::PutUserRecord, "PutUserRecord", kUserRecordSize, 0},
    {Command::PutExtUserRecord, "PutExtUserRecord", kExtUserRecordSize, 0},
    {Command::RemoveUserRecord, "RemoveUserRecord", kUserIdRecordSize, 0},
    {Command::ClearUserDataBase, "ClearUserDataBase", 0, 0},
    {Command::GetDataBank, "GetDataBank", 1, kDataBankSize},
    {Command::PutDataBank, "PutDataBank", 1 + kDataBankSize, 0},
    {Command::GetSetupData, "GetSetupData", 0, kSetupRecordSize},
    {Command::PutSetupData, "PutSetupData", kSetupRecordSize, 0},
    {Command::UpdateNvRam, "UpdateNvRam", 0, 0},
    {Command::GetTime, "GetTime", 0, kTimeRecordSize},
    {Command::PutTime, "PutTime", kTimeRecordSize, 0},
    {Command::GetDataLogElement, "GetDataLogElement", 1, kDataLogRecordSize},
    {Command::PutDisplayMessage, "PutDisplayMessage", kDisplayMessageRecordSize, 0},
    {Command::PutFkeyData, "PutFkeyData", kFkeyDataSize, 0},
    {Command::EnrollUser, "EnrollUser", 0, 0},
    {Command::GetLastTemplate, "GetLastTemplate", 0, kLastTemplateRecordSize},
    {Command::VerifyOnExternalData, "VerifyOnExternalData", 4 + kTemplateSize, 0},
    {Command::Abort, "Abort", 0, 0},
    {Command::ReadDataLog, "ReadDataLog", kDataLogReadRequestSize,
     kDataLogStateSize + kDataLogReadMax* kDataLogRecordSize, kDataLogStateSize, kDataLogRecordSize},
}};

static_assert([] {
    for (std::size_t i = 0; i < kCommands.size(); ++i) {
        if (static_cast<std::size_t>(kCommands[i].Code) != i + 1) {
            return false;
        }
    }
    return true;
}());

} // namespace

std::span<const CommandInfo> Commands() noexcept
{
    return kCommands;
}

const CommandInfo* FindCommand(std::uint8_t code) noexcept
{
    if (code == 0 || code > kCommands.size()) {
        return nullptr;
    }
    return &kCommands[code - 1];
}

int CheckResponseSize(const CommandInfo& info, std::size_t dataSize) noexcept
{
    if (dataSize > info.ResponseSize)
        return 1;
    if (info.ResponseUnit == 0)
        return dataSize < info.ResponseSize ? -1 : 0;
    if (dataSize < info.ResponseHeader)
        return -1;
    return (dataSize - info.ResponseHeader) % info.ResponseUnit == 0 ? 0 : -1;
}

const CommandInfo& Describe(Command command) noexcept
{
    return kCommands[static_cast<std::size_t>(command) - 1];
}

} // namespace zel::link
