#include "zel/data/DirChnlDescription.h"

#include "Conversions.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/data/Record.h"

namespace zel::data {

void DirChnlDescription::SetComPort(std::int32_t port)
{
    SetComPortField(mComPort, port);
}

void DirChnlDescription::SetBitRate(std::int32_t bitRate)
{
    SetBitRateField(mBitRate, bitRate);
}

std::string DirChnlDescription::ToString() const
{
    return "{Name: " + Name() + ", Type: Direct, ComPort: " + std::to_string(mComPort) +
           ", Bit Rate: " + std::to_string(mBitRate) + "}";
}

void DirChnlDescription::WriteOwnFields(std::vector<Field>& fields) const
{
    fields.push_back({schema::Port, detail::FromInt32(mComPort)});
    fields.push_back({schema::BitRate, detail::FromInt32(mBitRate)});
}

void DirChnlDescription::LoadOwnFields(const Record& row)
{
    mComPort = detail::ReadInt32(row, schema::Port);
    mBitRate = detail::ReadInt32(row, schema::BitRate);
}

} // namespace zel::data
