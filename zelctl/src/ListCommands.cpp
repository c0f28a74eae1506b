#include "Commands.h"

#include "ListRows.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescription.h"
#include "zel/data/UserDescriptionList.h"

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
    Table table = UserTable();
    for (const auto& user : zel::data::DataSource().GetUserDescriptionList()->Items())
        AddRow(table, RowOf(*user));
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
                  const char* countCaption)
{
    Table table(
        {{"clock", "Clock"}, {"result", "Result"}, {countKey, countCaption}, {"error", "Error"}, {"detail", "Detail"}});
    for (const auto& result : results) {
        const bool reached = result.Outcome == zel::workflows::ClockOutcome::Done ||
                             result.Outcome == zel::workflows::ClockOutcome::Failed;
        table.Add({result.Clock ? Cell(result.Clock->Name()) : Cell(), zel::workflows::OutcomeWord(result.Outcome),
                   reached ? Cell(result.Count) : Cell(),
                   result.ErrorNumber ? Cell(std::int64_t{result.ErrorNumber}) : Cell(), result.Detail});
    }
    return table;
}

} // namespace zel::cli
