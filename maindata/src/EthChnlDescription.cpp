#include "zel/data/EthChnlDescription.h"

#include "Conversions.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/data/Record.h"

namespace zel::data {

void EthChnlDescription::SetIPPort(std::int32_t port)
{
    if (port < 1 || port > 65535)
        ThrowInvalid("Invalid port number");
    mIPPort = port;
    MarkDirty();
}

void EthChnlDescription::SetIPAddress(const std::string& address)
{
    mIPAddress = address;
    MarkDirty();
}

std::string EthChnlDescription::ToString() const
{
    return "{Name: " + Name() + ", Type: Ethernet, IP Address: " + mIPAddress +
           ", IP Port: " + std::to_string(mIPPort) + "}";
}

void EthChnlDescription::WriteOwnFields(std::vector<Field>& fields) const
{
    fields.push_back({schema::Port, detail::FromInt32(mIPPort)});
    fields.push_back({schema::Location, detail::FromText(mIPAddress)});
}

void EthChnlDescription::LoadOwnFields(const Record& row)
{
    mIPPort = detail::ReadInt32(row, schema::Port);
    mIPAddress = detail::ReadText(row, schema::Location);
}

} // namespace zel::data
