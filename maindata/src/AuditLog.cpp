#include "zel/data/AuditLog.h"

#include "AuditText.h"
#include "store/PgAudit.h"
#include "store/SqliteAudit.h"
#include "store/StoreEngine.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/IStore.h"

#include <openssl/sha.h>
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>

namespace zel::data {

namespace {

// The hash before the first row.
const std::string kGenesis(64, '0');

detail::StoreEngine EngineOf(const std::shared_ptr<IStore>& store)
{
    return detail::EngineOf(store, "audit log");
}

// Each field as its length, a colon and its bytes, so that no two rows give the same text.
void HashField(std::string& out, const std::string& value)
{
    out += std::to_string(value.size());
    out += ':';
    out += value;
    out += ';';
}

std::string UtcNow()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string OsUserName()
{
    const uid_t uid = geteuid();
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr && found->pw_name)
        return found->pw_name;
    if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0')
        return user;
    return "uid " + std::to_string(uid);
}

std::string HostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "unknown";
    return name;
}

std::string ProgramName()
{
    // The name this process was started under, as glibc keeps it (<cerrno>).
    return program_invocation_short_name != nullptr ? program_invocation_short_name : "unknown";
}

bool Digits(const std::string& text, std::size_t from, std::size_t count)
{
    if (from + count > text.size())
        return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

} // namespace

std::string AuditVerdict::Text() const
{
    const std::string row = "Row " + std::to_string(RowID) + " (sequence " + std::to_string(Sequence) + ")";
    switch (What) {
    case Kind::Intact:
        return "The audit trail is intact (" + std::to_string(RowsChecked) + (RowsChecked == 1 ? " row)." : " rows).");
    case Kind::Changed:
        return row + " was changed: its content does not match its hash.";
    case Kind::Removed:
        return (MissingFrom == MissingTo ? "The row of sequence " + std::to_string(MissingFrom) + " was removed"
                                         : "The rows of sequence " + std::to_string(MissingFrom) + " to " +
                                               std::to_string(MissingTo) + " were removed") +
               ", before row " + std::to_string(RowID) + ".";
    case Kind::Inserted:
        return row + " was inserted: it is not part of the chain.";
    }
    return {};
}

AuditLog::AuditLog() : AuditLog(DataSource().GetConnection()) {}

AuditLog::AuditLog(std::shared_ptr<IStore> store) : mStore(std::move(store)) {}

void AuditLog::CheckWritable() const
{
    EngineOf(mStore);
    mStore->CheckCanAppend();
}

std::vector<AuditEntry> AuditLog::Append(std::vector<AuditEntry> entries)
{
    const detail::StoreEngine engine = EngineOf(mStore);
    mStore->CheckCanAppend();
    if (entries.empty())
        return entries;
    for (auto& entry : entries)
        Stamp(entry);
    // The end of the chain is read and extended in one transaction, which the engines keep to one
    // appender at a time.
    mStore->Append([&] {
        detail::AuditLink link = engine.Pg ? detail::LastPgAuditLink(*engine.Pg) : detail::LastAuditLink(engine.Sqlite);
        if (link.Hash.empty())
            link.Hash = kGenesis;
        for (auto& entry : entries) {
            entry.Sequence = ++link.Sequence;
            entry.PreviousHash = link.Hash;
            entry.Hash = HashOf(entry);
            entry.ID =
                engine.Pg ? detail::InsertPgAuditRow(*engine.Pg, entry) : detail::InsertAuditRow(engine.Sqlite, entry);
            link.Hash = entry.Hash;
        }
    });
    return entries;
}

std::int64_t AuditLog::Count(const AuditFilter& filter) const
{
    const detail::StoreEngine engine = EngineOf(mStore);
    AuditFilter stored = filter;
    stored.Since = filter.Since.empty() ? "" : NormalTime(filter.Since, false);
    stored.Until = filter.Until.empty() ? "" : NormalTime(filter.Until, true);
    return engine.Pg ? detail::CountPgAuditRows(*engine.Pg, stored) : detail::CountAuditRows(engine.Sqlite, stored);
}

std::vector<AuditEntry> AuditLog::Page(const AuditFilter& filter, std::int64_t beforeID, int limit) const
{
    std::vector<AuditEntry> page;
    const detail::StoreEngine engine = EngineOf(mStore);
    AuditFilter stored = filter;
    stored.Since = filter.Since.empty() ? "" : NormalTime(filter.Since, false);
    stored.Until = filter.Until.empty() ? "" : NormalTime(filter.Until, true);
    auto add = [&](const AuditEntry& e) { page.push_back(e); };
    if (engine.Pg)
        detail::SelectPgAuditRows(*engine.Pg, stored, beforeID, limit, add);
    else
        detail::SelectAuditRows(engine.Sqlite, stored, beforeID, limit, add);
    return page;
}

void AuditLog::ForEach(const AuditFilter& filter, const std::function<void(const AuditEntry&)>& onRow) const
{
    // A page at a time: a handler may read the site again, and a long log is never held whole.
    constexpr int kPage = 5000;
    std::int64_t before = 0;
    for (;;) {
        const auto page = Page(filter, before, kPage);
        for (const auto& entry : page)
            onRow(entry);
        if (page.size() < static_cast<std::size_t>(kPage))
            return;
        before = page.back().ID;
    }
}

AuditVerdict AuditLog::Verify(const std::function<void(std::int64_t)>& progress) const
{
    const detail::StoreEngine engine = EngineOf(mStore);
    AuditVerdict verdict;
    std::string previousHash = kGenesis; // the hash of the last row found in its place
    std::int64_t expected = 1;           // the sequence the next row must have
    std::optional<AuditEntry> held;      // a row judged once the row after it is known
    bool decided = false;

    // Judges `row` with the one after it (`next`, null at the end of the table).
    auto judge = [&](const AuditEntry& row, const AuditEntry* next) {
        ++verdict.RowsChecked;
        const bool linked = row.PreviousHash == previousHash && row.Sequence == expected;
        const bool sound = HashOf(row) == row.Hash;
        if (linked && sound) {
            previousHash = row.Hash;
            ++expected;
            return;
        }
        decided = true;
        verdict.RowID = row.ID;
        verdict.Sequence = row.Sequence;
        const bool nextChainsPast = next != nullptr && next->PreviousHash == previousHash && next->Sequence == expected;
        if (nextChainsPast || (!linked && sound && row.Sequence < expected)) {
            verdict.What = AuditVerdict::Kind::Inserted;
        } else if (!linked && sound && row.Sequence > expected) {
            verdict.What = AuditVerdict::Kind::Removed;
            verdict.MissingFrom = expected;
            verdict.MissingTo = row.Sequence - 1;
        } else {
            verdict.What = AuditVerdict::Kind::Changed;
        }
    };
    auto onRow = [&](AuditEntry& row) {
        if (decided)
            return;
        if (held) {
            judge(*held, &row);
            std::swap(*held, row); // the rows' strings are reused, not copied
        } else {
            held = std::move(row);
        }
        if (progress && verdict.RowsChecked % 10000 == 0 && verdict.RowsChecked > 0)
            progress(verdict.RowsChecked);
    };
    if (engine.Pg)
        detail::WalkPgAuditRows(*engine.Pg, onRow);
    else
        detail::WalkAuditRows(engine.Sqlite, onRow);
    if (!decided && held)
        judge(*held, nullptr);
    return verdict;
}

void AuditLog::Stamp(AuditEntry& entry)
{
    if (entry.Time.empty())
        entry.Time = UtcNow();
    if (entry.OsUser.empty())
        entry.OsUser = OsUserName();
    if (entry.Host.empty())
        entry.Host = HostName();
    if (entry.Program.empty())
        entry.Program = ProgramName();
    if (entry.Version.empty())
        entry.Version = ZEL_MAINDATA_VERSION;
}

std::string AuditLog::HashOf(const AuditEntry& entry)
{
    std::string content;
    content.reserve(256 + entry.Detail.size());
    HashField(content, std::to_string(entry.Sequence));
    HashField(content, entry.Time);
    HashField(content, entry.OsUser);
    HashField(content, entry.Host);
    HashField(content, entry.Program);
    HashField(content, entry.Version);
    HashField(content, entry.Action);
    HashField(content, std::to_string(entry.ClockID));
    HashField(content, entry.ClockName);
    HashField(content, detail::JoinUserIDs(entry.UserIDs));
    HashField(content, entry.Outcome);
    HashField(content, entry.Detail);
    HashField(content, entry.PreviousHash);
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(content.data()), content.size(), digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex(2 * SHA256_DIGEST_LENGTH, '0');
    for (std::size_t i = 0; i < SHA256_DIGEST_LENGTH; ++i) {
        hex[2 * i] = kHex[digest[i] >> 4];
        hex[2 * i + 1] = kHex[digest[i] & 0xF];
    }
    return hex;
}

std::string AuditLog::NormalTime(const std::string& text, bool until)
{
    // "YYYY-MM-DD", then optionally " HH:MM" or "THH:MM", ":SS", "Z".
    std::string time = text;
    if (!time.empty() && (time.back() == 'Z' || time.back() == 'z'))
        time.pop_back();
    const bool date = Digits(time, 0, 4) && time.size() >= 10 && time[4] == '-' && Digits(time, 5, 2) &&
                      time[7] == '-' && Digits(time, 8, 2);
    bool valid = date && (time.size() == 10 || time.size() == 16 || time.size() == 19);
    if (valid && time.size() >= 16)
        valid = (time[10] == ' ' || time[10] == 'T' || time[10] == 't') && Digits(time, 11, 2) && time[13] == ':' &&
                Digits(time, 14, 2) && (time.size() == 16 || (time[16] == ':' && Digits(time, 17, 2)));
    if (!valid)
        throw zel::Error(errc::TypeMismatch, ErrorSource,
                         "Not a time: \"" + text + "\" (write YYYY-MM-DD, YYYY-MM-DD HH:MM or YYYY-MM-DDTHH:MM:SSZ).");
    if (time.size() == 10)
        time += until ? "T23:59:59" : "T00:00:00";
    else if (time.size() == 16)
        time += until ? ":59" : ":00";
    time[10] = 'T';
    return time + "Z";
}

} // namespace zel::data
