#include "zel/support/DataLogElement.h"

#include "zel/support/Channel.h"

namespace zel::support {
namespace {

constexpr std::size_t kTime = 1;
constexpr std::size_t kFormatType = 8;
constexpr std::size_t kData1 = 12;
constexpr std::size_t kData1Size = 6;
constexpr std::size_t kData2 = 20;
constexpr std::size_t kData2Size = 8;

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (auto b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

} // namespace

zel::DateTime DataLogElement::TimeStamp() const
{
    const auto* t = mRecord.data() + kTime;
    int year = ExpandTwoDigitYear(t[5] % 100);
    if (t[5] > 99 || !zel::DateTime::IsValidDate(year, t[4], t[3]) || t[2] > 23 || t[1] > 59 || t[0] > 59)
        return zel::DateTime();
    return zel::DateTime(year, t[4], t[3], t[2], t[1], t[0]);
}

FormatTypeEnum DataLogElement::FormatType() const
{
    return static_cast<FormatTypeEnum>(GetInt32LE(mRecord.data() + kFormatType));
}

std::vector<std::uint8_t> DataLogElement::Data1() const
{
    return {mRecord.begin() + kData1, mRecord.begin() + kData1 + kData1Size};
}

std::vector<std::uint8_t> DataLogElement::Data2() const
{
    return {mRecord.begin() + kData2, mRecord.begin() + kData2 + kData2Size};
}

std::string DataLogElement::ToString() const
{
    return "{Reader ID: " + std::to_string(ReaderID()) + ", TimeStamp: " + TimeStamp().ToString() + ", FormatType " +
           std::to_string(static_cast<std::int32_t>(FormatType())) + ", Data1: " + Hex(Data1()) +
           ", Data2: " + Hex(Data2()) + "}";
}

void DataLogElement::Load(Channel& channel, bool previous)
{
    mRecord = channel.GetDataLogRecord(previous);
}

} // namespace zel::support
