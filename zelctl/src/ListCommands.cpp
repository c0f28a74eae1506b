#include "Commands.h"

#include "ListRows.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/workflows/UserErasure.h"

#include <algorithm>

namespace zel::cli {

namespace {

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
    Table table = ClockTable();
    for (const auto& clock : data.GetReaderDescriptionList()->Items())
        AddRow(table, RowOf(*clock, *channels));
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

int ListUsers(Context& ctx)
{
    NoOperands(ctx);
    ctx.OpenSite();
    Table table = UserTable(false, true);
    const auto pending = zel::workflows::UserErasure::UsersPending();
    for (const auto& user : zel::data::DataSource().GetUserDescriptionList()->Items()) {
        AddRow(table, RowOf(*user), std::binary_search(pending.begin(), pending.end(), user->UserID()));
    }
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

int ListChannels(Context& ctx)
{
    NoOperands(ctx);
    ctx.OpenSite();
    Table table = ChannelTable();
    for (const auto& channel : zel::data::DataSource().GetChannelDescriptionList()->Items())
        AddRow(table, RowOf(*channel));
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
