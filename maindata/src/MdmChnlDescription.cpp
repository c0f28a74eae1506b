#include "zel/data/MdmChnlDescription.h"

#include "Conversions.h"
#include "LoadRules.h"
#include "Schema.h"
#include "zel/data/Record.h"

namespace zel::data {

void MdmChnlDescription::SetPhoneNumber(const std::string& phoneNumber)
{
    mPhoneNumber = phoneNumber;
    MarkDirty();
}

void MdmChnlDescription::SetComPort(std::int32_t port)
{
    SetComPortField(mComPort, port);
}

void MdmChnlDescription::SetBitRate(std::int32_t bitRate)
{
    SetBitRateField(mBitRate, bitRate);
}

std::string MdmChnlDescription::ToString() const
{
    return "{Name: " + Name() + ", Type: Modem, Phone Number: " + mPhoneNumber +
           ", ComPort: " + std::to_string(mComPort) + ", Bit Rate: " + std::to_string(mBitRate) + "}";
}

void MdmChnlDescription::WriteOwnFields(std::vector<Field>& fields) const
{
    fields.push_back({schema::Location, detail::FromText(mPhoneNumber)});
    fields.push_back({schema::Port, detail::FromInt32(mComPort)});
    fields.push_back({schema::BitRate, detail::FromInt32(mBitRate)});
}

void MdmChnlDescription::LoadOwnFields(const Record& row)
{
    mPhoneNumber = detail::ReadText(row, schema::Location);
    mComPort = detail::ReadInt32(row, schema::Port);
    mBitRate = detail::ReadInt32(row, schema::BitRate);
}

} // namespace zel::data
