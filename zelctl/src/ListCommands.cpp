#include "Commands.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

namespace zel::cli {

namespace {

std::string ChannelKind(const zel::data::IChannelDescription& channel)
{
    if (dynamic_cast<const zel::data::EthChnlDescription*>(&channel))
        return "ethernet";
    if (dynamic_cast<const zel::data::DirChnlDescription*>(&channel))
        return "direct";
    return "modem";
}

void NoOperands(const Context& ctx)
{
    if (!ctx.Operands.empty())
        throw UsageError("this command takes no arguments ('" + ctx.Operands.front() + "' given)");
}

} // namespace

int ListClocks(Context& ctx)
{
    NoOperands(ctx);
    ctx.OpenSite();
    zel::data::DataSource data;
    auto channels = data.GetChannelDescriptionList();
    Table table({{"id", "ID"},
                 {"name", "Name"},
                 {"reader_id", "Reader ID"},
                 {"location", "Location"},
                 {"channel_id", "Channel ID"},
                 {"channel", "Channel"}});
    for (const auto& clock : data.GetReaderDescriptionList()->Items()) {
        auto channel = channels->GetByDatabaseID(clock->ChannelDescriptionID());
        table.Add({clock->DatabaseID(), clock->Name(), static_cast<int>(clock->ReaderID()), clock->Location(),
                   clock->ChannelDescriptionID(), channel ? Cell(channel->Name()) : Cell()});
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

int ListUsers(Context& ctx)
{
    NoOperands(ctx);
    ctx.OpenSite();
    Table table({{"id", "ID"},
                 {"user_id", "User ID"},
                 {"name", "Name"},
                 {"authority_level", "Level"},
                 {"enrolled", "Enrolled"}});
    for (const auto& user : zel::data::DataSource().GetUserDescriptionList()->Items())
        table.Add(
            {user->DatabaseID(), user->UserID(), user->Name(), user->AuthorityLevel(), Cell::Bool(user->Enrolled())});
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

int ListChannels(Context& ctx)
{
    NoOperands(ctx);
    ctx.OpenSite();
    Table table({{"id", "ID"},
                 {"name", "Name"},
                 {"type", "Type"},
                 {"address", "Address"},
                 {"port", "Port"},
                 {"com_port", "COM"},
                 {"bit_rate", "Bit rate"}});
    for (const auto& channel : zel::data::DataSource().GetChannelDescriptionList()->Items()) {
        std::vector<Cell> row{channel->DatabaseID(), channel->Name(), ChannelKind(*channel)};
        if (auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel)) {
            row.insert(row.end(), {ethernet->IPAddress(), ethernet->IPPort(), Cell(), Cell()});
        } else if (auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channel)) {
            row.insert(row.end(), {Cell(), Cell(), direct->ComPort(), direct->BitRate()});
        }
        table.Add(std::move(row));
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

Table ResultTable(const std::vector<zel::workflows::ClockResult>& results, const char* countKey,
                  const char* countCaption, bool writes)
{
    std::vector<Column> columns{
        {"clock", "Clock"}, {"result", "Result"}, {countKey, countCaption}, {"error", "Error"}, {"detail", "Detail"}};
    if (writes)
        for (auto& column : WritesColumns())
            columns.push_back(std::move(column));
    Table table(std::move(columns));
    for (const auto& result : results) {
        const bool reached = result.Outcome == zel::workflows::ClockOutcome::Done ||
                             result.Outcome == zel::workflows::ClockOutcome::Failed;
        std::vector<Cell> row{result.Clock ? Cell(result.Clock->Name()) : Cell(),
                              zel::workflows::OutcomeWord(result.Outcome), reached ? Cell(result.Count) : Cell(),
                              result.ErrorNumber ? Cell(std::int64_t{result.ErrorNumber}) : Cell(), result.Detail};
        if (writes)
            for (auto& cell : WritesCells(result.Writes))
                row.push_back(std::move(cell));
        table.Add(std::move(row));
    }
    return table;
}

std::vector<Column> WritesColumns()
{
    return {{"already_held", ""},       {"removed", ""}, {"written_by_bank", ""}, {"banks_written", ""},
            {"written_one_by_one", ""}, {"lacking", ""}, {"uncertain", ""},       {"lacking_users", ""}};
}

std::vector<Cell> WritesCells(const std::optional<zel::support::UserWrites>& writes)
{
    if (!writes || !writes->Planned)
        return std::vector<Cell>(WritesColumns().size());
    std::string lacking;
    for (const auto& id : writes->Lacking)
        lacking += (lacking.empty() ? "" : " ") + id;
    return {writes->AlreadyHeld,
            writes->Removed,
            writes->ByBank,
            writes->Banks,
            writes->OneByOne,
            static_cast<int>(writes->Lacking.size()),
            static_cast<int>(writes->Uncertain.size()),
            lacking.empty() ? Cell() : Cell(lacking)};
}

} // namespace zel::cli
