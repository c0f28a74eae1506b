// zelctl channels add | set | remove: the channel list editor's work from the command line, with
// its rules (zel/workflows/ListRules.h).
#include "Commands.h"
#include "EditSupport.h"
#include "ListRows.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/workflows/ListRules.h"

#include <algorithm>
#include <ostream>

namespace zel::cli {

namespace {

using zel::data::ChannelTypeEnum;

ChannelTypeEnum TypeOf(const zel::data::IChannelDescription& channel)
{
    const std::string kind = ChannelKind(channel);
    return kind == "ethernet" ? zel::data::EthernetChannel
           : kind == "direct" ? zel::data::DirectChannel
                              : zel::data::ModemChannel;
}

// What a channel is to hold: its values now (or a new channel's), with the options given laid over.
struct ChannelValues {
    ChannelTypeEnum Type = zel::data::EthernetChannel;
    std::string Name;
    std::string Address; // IP address, or a modem's phone number
    std::optional<std::int64_t> Port;
    std::int32_t ComPort = 1;
    std::int32_t BitRate = 9600;
};

ChannelValues ValuesOf(const zel::data::IChannelDescription& channel)
{
    const ChannelRow row = RowOf(channel);
    ChannelValues values{TypeOf(channel), row.Name, row.Address.value_or(std::string()), std::nullopt, 1, 9600};
    if (row.Port)
        values.Port = *row.Port;
    values.ComPort = row.ComPort.value_or(1);
    values.BitRate = row.BitRate.value_or(9600);
    return values;
}

void LayOptions(const Context& ctx, ChannelValues& values)
{
    const bool ethernet = values.Type == zel::data::EthernetChannel;
    const auto refuseFor = [&](const char* option) {
        if (ctx.Args.Has(option))
            throw UsageError(std::string("option --") + option + " does not apply to " +
                             (ethernet                                  ? "an Ethernet"
                              : values.Type == zel::data::DirectChannel ? "a direct serial"
                                                                        : "a modem") +
                             " channel");
    };
    if (ethernet) {
        refuseFor("phone");
        refuseFor("com-port");
        refuseFor("bit-rate");
        values.Address = ctx.Args.Value("address", values.Address);
        if (ctx.Args.Has("port"))
            values.Port = zel::workflows::WholeNumber(ctx.Args.Value("port"));
        return;
    }
    refuseFor("address");
    refuseFor("port");
    if (values.Type == zel::data::DirectChannel)
        refuseFor("phone");
    else
        values.Address = ctx.Args.Value("phone", values.Address);
    values.ComPort = NumberOption(ctx, "com-port").value_or(values.ComPort);
    values.BitRate = NumberOption(ctx, "bit-rate").value_or(values.BitRate);
}

// The channel editor's checks, then the serial line's, then the name against the list.
void Check(const ChannelValues& values, const zel::data::ChannelDescriptionList& channels,
           const zel::data::IChannelDescription* editing)
{
    const bool modem = values.Type == zel::data::ModemChannel;
    Refuse(zel::workflows::CheckChannelFields(values.Type, values.Name, modem ? values.Address : std::string(),
                                              modem ? std::string() : values.Address, values.Port));
    if (values.Type != zel::data::EthernetChannel)
        Refuse(zel::workflows::CheckSerialFields(values.ComPort, values.BitRate));
    Refuse(zel::workflows::CheckChannelName(channels, editing, values.Name));
}

// Writes the fields of the channel's kind, in the order the channel editor writes them.
void Write(const std::shared_ptr<zel::data::IChannelDescription>& channel, const ChannelValues& values)
{
    if (auto ethernet = std::dynamic_pointer_cast<zel::data::EthChnlDescription>(channel)) {
        ethernet->SetName(values.Name);
        ethernet->SetIPAddress(values.Address);
        ethernet->SetIPPort(static_cast<std::int32_t>(values.Port.value_or(0)));
    } else if (auto direct = std::dynamic_pointer_cast<zel::data::DirChnlDescription>(channel)) {
        direct->SetName(values.Name);
        direct->SetBitRate(values.BitRate);
        direct->SetComPort(values.ComPort);
    } else if (auto modem = std::dynamic_pointer_cast<zel::data::MdmChnlDescription>(channel)) {
        modem->SetName(values.Name);
        modem->SetBitRate(values.BitRate);
        modem->SetComPort(values.ComPort);
        modem->SetPhoneNumber(values.Address);
    }
}

ChannelRow RowOf(const ChannelValues& values, std::optional<std::int32_t> id)
{
    const bool ethernet = values.Type == zel::data::EthernetChannel;
    ChannelRow row{
        id, values.Name, ethernet ? "ethernet" : values.Type == zel::data::DirectChannel ? "direct" : "modem", {}, {},
        {}, {}};
    if (ethernet || values.Type == zel::data::ModemChannel)
        row.Address = values.Address;
    if (ethernet && values.Port)
        row.Port = static_cast<std::int32_t>(*values.Port);
    if (!ethernet) {
        row.ComPort = values.ComPort;
        row.BitRate = values.BitRate;
    }
    return row;
}

ChannelTypeEnum TypeOption(const Context& ctx)
{
    const std::string type = ctx.Args.Value("type");
    if (type == "ethernet")
        return zel::data::EthernetChannel;
    if (type == "direct" || type == "serial")
        return zel::data::DirectChannel;
    if (type == "modem")
        return zel::data::ModemChannel;
    throw UsageError(type.empty() ? "channels add needs --type ethernet, direct or modem"
                                  : "--type must be ethernet, direct or modem, not '" + type + "'");
}

} // namespace

int ChannelsAdd(Context& ctx)
{
    AcceptOnly(ctx, {"type", "address", "port", "phone", "com-port", "bit-rate"});
    if (ctx.Operands.size() != 1)
        throw UsageError("channels add takes the new channel's name: zelctl channels add NAME --type ...");
    ChannelValues values;
    values.Type = TypeOption(ctx);
    values.Name = ctx.Operands.front();
    LayOptions(ctx, values);
    ctx.OpenSite();
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    Check(values, *channels, nullptr);

    std::optional<std::int32_t> id;
    StoreChange(ctx, [&] {
        auto channel = channels->Add(values.Type, values.Name);
        Write(channel, values);
        channels->Save();
        id = channel->DatabaseID();
    });
    Table table = ChannelTable(true);
    AddRow(table, RowOf(values, id), ActionWord(ctx, "added", "would add"));
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

int ChannelsSet(Context& ctx)
{
    AcceptOnly(ctx, {"name", "address", "port", "phone", "com-port", "bit-rate"});
    if (ctx.Operands.size() != 1)
        throw UsageError("channels set takes one channel (its name or database ID)");
    auto channel = ctx.Channel(ctx.Operands.front());
    ChannelValues values = ValuesOf(*channel);
    values.Name = ctx.Args.Value("name", values.Name);
    LayOptions(ctx, values);
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    Check(values, *channels, channel.get());

    StoreChange(ctx, [&] {
        Write(channel, values);
        channels->Save();
    });
    Table table = ChannelTable(true);
    AddRow(table, RowOf(values, channel->DatabaseID()), ActionWord(ctx, "changed", "would change"));
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

int ChannelsRemove(Context& ctx)
{
    AcceptOnly(ctx, {});
    if (ctx.Operands.empty())
        throw UsageError("channels remove takes one or more channels (by name or database ID)");
    std::vector<std::shared_ptr<zel::data::IChannelDescription>> chosen;
    for (const auto& name : ctx.Operands)
        if (auto channel = ctx.Channel(name); std::find(chosen.begin(), chosen.end(), channel) == chosen.end())
            chosen.push_back(channel);
    auto channels = zel::data::DataSource().GetChannelDescriptionList();
    Table table = ChannelTable(true);
    for (const auto& channel : chosen)
        AddRow(table, RowOf(*channel), ActionWord(ctx, "removed", "would remove"));
    StoreChange(ctx, [&] {
        for (const auto& channel : chosen)
            channels->Remove(channel->Name());
        channels->Save();
    });
    // As in the channel editor, clocks may go on naming a removed channel: they are then reached
    // through none until they are given another.
    for (const auto& clock : zel::data::DataSource().GetReaderDescriptionList()->Items())
        for (const auto& channel : chosen)
            if (clock->ChannelDescriptionID() == channel->DatabaseID())
                ctx.Err << "zelctl: the clock '" << clock->Name() << "' named the channel '" << channel->Name()
                        << "'; give it another (zelctl clocks set)\n";
    table.Print(ctx.Out, ctx.Args.OutputFormat);
    return kExitDone;
}

} // namespace zel::cli
