#include "zel/workflows/EventExport.h"

#include "zel/data/EventStore.h"
#include "zel/workflows/EventKinds.h"

#include <ostream>

namespace zel::workflows {

namespace {

template <std::size_t N> std::string Hex(const std::array<std::uint8_t, N>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (auto b : bytes) {
        text.push_back(digits[b >> 4]);
        text.push_back(digits[b & 0x0F]);
    }
    return text;
}

} // namespace

std::string IsoTime(const std::string& timeStamp)
{
    std::string iso = timeStamp;
    if (iso.size() > 10 && iso[10] == ' ')
        iso[10] = 'T';
    return iso;
}

std::int64_t WriteEvents(std::ostream& out, const zel::data::EventStore& store, const zel::data::EventFilter& filter,
                         EventFileFormat format, const std::function<void(std::int64_t)>& progress, zel::CsvTexts texts)
{
    auto text = [texts](const std::string& cell) { return zel::CsvText(cell, texts); };
    std::int64_t count = 0;
    if (format == EventFileFormat::Csv)
        out << "time,clock,clock_id,reader_id,user_id,user_name,kind,format_type,data1,data2,collected_at\r\n";
    else
        out << '[';
    store.ForEach(filter, [&](const zel::data::StoredEvent& e) {
        if (format == EventFileFormat::Csv) {
            out << IsoTime(e.TimeStamp) << ',' << text(e.ClockName) << ',' << e.ClockID << ',' << e.ReaderID << ','
                << text(e.UserID) << ',' << text(e.UserName) << ',' << text(EventKindText(e.FormatType)) << ','
                << e.FormatType << ',' << Hex(e.Data1) << ',' << Hex(e.Data2) << ',' << IsoTime(e.CollectedAt)
                << "\r\n";
        } else {
            out << (count ? ",\n " : "\n ") << "{\"time\": " << JsonString(IsoTime(e.TimeStamp))
                << ", \"clock\": " << JsonString(e.ClockName) << ", \"clock_id\": " << e.ClockID
                << ", \"reader_id\": " << e.ReaderID
                << ", \"user_id\": " << (e.UserID.empty() ? "null" : JsonString(e.UserID))
                << ", \"user_name\": " << (e.UserName.empty() ? "null" : JsonString(e.UserName))
                << ", \"kind\": " << JsonString(EventKindText(e.FormatType)) << ", \"format_type\": " << e.FormatType
                << ", \"data1\": \"" << Hex(e.Data1) << "\", \"data2\": \"" << Hex(e.Data2)
                << "\", \"collected_at\": " << JsonString(IsoTime(e.CollectedAt)) << '}';
        }
        ++count;
        if (progress && count % 10000 == 0)
            progress(count);
    });
    if (format == EventFileFormat::Json)
        out << (count ? "\n]\n" : "]\n");
    return count;
}

} // namespace zel::workflows
