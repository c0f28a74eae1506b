// zelctl clocks add | set | remove: the clock list editor's work from the command line, with its
// rules (zel/workflows/ListRules.h).
#include "Commands.h"
#include "EditSupport.h"
#include "ListRows.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/workflows/ListRules.h"

#include <algorithm>

namespace zel::cli {

namespace {

// What a clock is to hold, as the clock editor's fields would show it.
struct ClockValues {
    std::string Name;
    std::string ReaderID; // as typed
    std::int32_t ChannelID = -1;
    std::string Location;
    std::string TimeZone; // empty: this machine's zone
};

// The editor's checks of the fields, then the name against the list; the reader ID when they pass.
std::uint8_t Check(const ClockValues& values, const zel::data::ReaderDescriptionList& clocks,
                   const zel::data::ReaderDescription* editing)
{
    const auto fields = zel::workflows::CheckClockFields(values.ReaderID, values.Name, values.ChannelID);
    Refuse(fields.Refused);
    Refuse(zel::workflows::CheckClockName(clocks, editing, values.Name));
    Refuse(zel::workflows::CheckClockZone(values.TimeZone));
    return fields.ReaderID;
}

void LayOptions(Context& ctx, ClockValues& values)
{
    values.ReaderID = ctx.Args.Value("reader-id", values.ReaderID);
    if (ctx.Args.Has("channel"))
        values.ChannelID = ctx.Channel(ctx.Args.Value("channel"))->DatabaseID();
    values.Location = ctx.Args.Value("location", values.Location);
    values.TimeZone = ctx.Args.Value("time-zone", values.TimeZone);
}

ClockRow RowOf(const ClockValues& values, std::uint8_t readerID, std::optional<std::int32_t> id)
{
    const auto channel = zel::data::DataSource().GetChannelDescriptionList()->GetByDatabaseID(values.ChannelID);
    return {id,
            values.Name,
            readerID,
            values.Location,
            values.ChannelID,
            channel ? std::optional<std::string>(channel->Name()) : std::nullopt,
            values.TimeZone};
}

void Print(Context& ctx, const ClockRow& row, const char* done, const char* planned)
{
    Table table = ClockTable(true);
    AddRow(table, row, ActionWord(ctx, done, planned));
    table.Print(ctx.Out, ctx.Args.OutputFormat);
}

} // namespace

int ClocksAdd(Context& ctx)
{
    AcceptOnly(ctx, {"reader-id", "channel", "location", "time-zone"});
    if (ctx.Operands.size() != 1)
        throw UsageError("clocks add takes the new clock's name: zelctl clocks add NAME --reader-id N --channel C");
    ctx.OpenSite();
    ClockValues values;
    values.Name = ctx.Operands.front();
    LayOptions(ctx, values);
    auto clocks = zel::data::DataSource().GetReaderDescriptionList();
    const std::uint8_t readerID = Check(values, *clocks, nullptr);

    std::optional<std::int32_t> id;
    StoreChange(ctx, [&] {
        const auto channel = zel::data::DataSource().GetChannelDescriptionList()->GetByDatabaseID(values.ChannelID);
        auto clock = clocks->Add(readerID, values.Name, channel);
        clock->SetLocation(values.Location);
        clock->SetTimeZone(values.TimeZone);
        clocks->Save();
        id = clock->DatabaseID();
    });
    Print(ctx, RowOf(values, readerID, id), "added", "would add");
    return kExitDone;
}

int ClocksSet(Context& ctx)
{
    AcceptOnly(ctx, {"name", "reader-id", "channel", "location", "time-zone"});
    if (ctx.Operands.size() != 1)
        throw UsageError("clocks set takes one clock (its name or database ID)");
    auto clock = ctx.Clocks(ctx.Operands, false).front();
    const auto channels = zel::data::DataSource().GetChannelDescriptionList();
    // As the clock editor shows it: a channel the site no longer has is no channel chosen.
    ClockValues values{clock->Name(), std::to_string(clock->ReaderID()),
                       channels->GetByDatabaseID(clock->ChannelDescriptionID()) ? clock->ChannelDescriptionID() : -1,
                       clock->Location(), clock->TimeZone()};
    values.Name = ctx.Args.Value("name", values.Name);
    LayOptions(ctx, values);
    auto clocks = zel::data::DataSource().GetReaderDescriptionList();
    const std::uint8_t readerID = Check(values, *clocks, clock.get());

    StoreChange(ctx, [&] {
        clock->SetName(values.Name);
        clock->SetReaderID(readerID);
        clock->SetChannelDescriptionID(values.ChannelID);
        clock->SetLocation(values.Location);
        clock->SetTimeZone(values.TimeZone);
        clocks->Save();
    });
    Print(ctx, RowOf(values, readerID, clock->DatabaseID()), "changed", "would change");
    return kExitDone;
}

int ClocksRemove(Context& ctx)
{
    AcceptOnly(ctx, {});
    if (ctx.Operands.empty())
        throw UsageError("clocks remove takes one or more clocks (by name or database ID)");
    auto chosen = ctx.Clocks(ctx.Operands, false);
    std::vector<Context::ReaderPtr> distinct;
    for (const auto& clock : chosen)
        if (std::find(distinct.begin(), distinct.end(), clock) == distinct.end())
            distinct.push_back(clock);
    auto clocks = zel::data::DataSource().GetReaderDescriptionList();
    const auto channels = zel::data::DataSource().GetChannelDescriptionList();
    Table table = ClockTable(true);
    for (const auto& clock : distinct)
        AddRow(table, RowOf(*clock, *channels), ActionWord(ctx, "removed", "would remove"));
    StoreChange(ctx, [&] {
        for (const auto& clock : distinct)
            clocks->Remove(clock->Name());
        clocks->Save();
    });
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

} // namespace zel::cli
