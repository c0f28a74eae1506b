#include "zel/workflows/ClockBackup.h"

#include "zel/DateTime.h"
#include "zel/Error.h"
#include "zel/KeyedCollection.h"
#include "zel/support/Channel.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"
#include "zel/support/User.h"
#include "zel/support/UserReplacement.h"

#include <algorithm>
#include <charconv>
#include <istream>
#include <map>
#include <ostream>
#include <sstream>

namespace zel::workflows {

namespace {

constexpr const char* kMagic = "zel-clock-backup";
constexpr int kVersion = 1;

[[noreturn]] void Refuse(int line, const std::string& what)
{
    throw zel::Error(zel::errc::InvalidArgument, "ZelWorkflows",
                     "The clock backup file is not valid: line " + std::to_string(line) + ": " + what);
}

template <typename T> bool ParseNumber(const std::string& text, T& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool IsUserID(const std::string& id)
{
    return !id.empty() && id.size() <= 10 &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Numeric order of user IDs without leading zeros: shorter first, then by text.
bool IdLess(const std::string& a, const std::string& b)
{
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    std::string field;
    while (in >> field)
        fields.push_back(field);
    return fields;
}

} // namespace

std::string ToHex(const std::uint8_t* bytes, std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return text;
}

std::optional<std::vector<std::uint8_t>> FromHex(const std::string& text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int high = nibble(text[i]), low = nibble(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

void ClockBackup::Write(std::ostream& out) const
{
    out << kMagic << ' ' << kVersion << '\n';
    out << "# A clock's users and setup, written by zelctl backup; zelctl restore puts it back.\n";
    out << "model " << Model << '\n';
    out << "reader-id " << ReaderID << '\n';
    out << "taken " << Taken << '\n';
    out << "setup " << ToHex(Setup.data(), Setup.size()) << '\n';
    for (const BackupUser& user : Users)
        out << "user " << user.ID << ' ' << user.AuthorityLevel << ' ' << user.RejectThreshold << ' '
            << static_cast<int>(user.TimeZone) << ' ' << ToHex(user.Template.data(), user.Template.size()) << '\n';
    out << "end " << Users.size() << '\n';
}

ClockBackup ClockBackup::Parse(std::istream& in)
{
    ClockBackup backup;
    std::string line;
    int number = 0;
    bool header = false, model = false, readerId = false, taken = false, setup = false, end = false;
    std::map<std::string, bool, decltype(&IdLess)> seen(&IdLess);
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        if (end)
            Refuse(number, "text after the end line");
        std::vector<std::string> f = Fields(line);
        if (!header) {
            if (f.size() != 2 || f[0] != kMagic)
                Refuse(number, "not a clock backup file");
            if (f[1] != std::to_string(kVersion))
                Refuse(number, "version " + f[1] + " is not known (this program reads version 1)");
            header = true;
            continue;
        }
        const std::string& key = f[0];
        auto once = [&](bool& flag) {
            if (flag)
                Refuse(number, "'" + key + "' given twice");
            flag = true;
        };
        if (key == "model" && f.size() == 2 && (f[1] == "base" || f[1] == "newer")) {
            once(model);
            backup.Model = f[1];
        } else if (key == "reader-id" && f.size() == 2) {
            once(readerId);
            if (!ParseNumber(f[1], backup.ReaderID) || backup.ReaderID < 0 || backup.ReaderID > 255)
                Refuse(number, "the reader ID is not a number 0 to 255");
        } else if (key == "taken" && f.size() == 2) {
            once(taken);
            backup.Taken = f[1];
        } else if (key == "setup" && f.size() == 2) {
            once(setup);
            auto bytes = FromHex(f[1]);
            if (!bytes || bytes->size() != backup.Setup.size())
                Refuse(number, "the setup record is not 144 bytes of hex digits");
            std::copy(bytes->begin(), bytes->end(), backup.Setup.begin());
        } else if (key == "user" && f.size() == 6) {
            BackupUser user;
            user.ID = f[1];
            int timeZone = 0;
            if (!IsUserID(user.ID) || (user.ID.size() > 1 && user.ID.front() == '0'))
                Refuse(number, "the user ID '" + user.ID + "' is not a number of 1 to 10 digits");
            if (!ParseNumber(f[2], user.AuthorityLevel) || user.AuthorityLevel < 0 || user.AuthorityLevel > 5)
                Refuse(number, "the authority level is not a number 0 to 5");
            if (!ParseNumber(f[3], user.RejectThreshold))
                Refuse(number, "the reject threshold is not a 16-bit number");
            if (!ParseNumber(f[4], timeZone) || timeZone < 0 || timeZone > 255)
                Refuse(number, "the time zone is not a number 0 to 255");
            user.TimeZone = static_cast<std::uint8_t>(timeZone);
            auto bytes = FromHex(f[5]);
            if (!bytes || bytes->size() != zel::support::kTemplateSize)
                Refuse(number, "the template is not 9 bytes of hex digits");
            user.Template = *bytes;
            if (!seen.emplace(user.ID, true).second)
                Refuse(number, "user " + user.ID + " is given twice");
            backup.Users.push_back(std::move(user));
        } else if (key == "end" && f.size() == 2) {
            std::size_t count = 0;
            if (!ParseNumber(f[1], count) || count != backup.Users.size())
                Refuse(number, "the file names " + f[1] + " users but holds " + std::to_string(backup.Users.size()));
            end = true;
        } else {
            Refuse(number, "'" + line.substr(0, 40) + "' is not understood");
        }
    }
    if (!header)
        Refuse(number, "the file is empty");
    if (!model || !readerId || !setup || !end)
        Refuse(number, "the file is cut off (it lacks its model, reader-id, setup or end line)");
    std::sort(backup.Users.begin(), backup.Users.end(),
              [](const BackupUser& a, const BackupUser& b) { return IdLess(a.ID, b.ID); });
    return backup;
}

ClockBackup ReadClockBackup(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                            const std::string& model, const std::function<void(int, int)>& progress)
{
    ClockBackup backup;
    backup.Model = model;
    backup.ReaderID = readerID;
    zel::DateTime now = zel::DateTime::Now();
    backup.Taken = now.DateString() + "T" + now.TimeString();
    auto list = reader.GetUserList();
    std::vector<std::string> ids;
    if (list)
        for (const auto& user : *list)
            if (user && !user->ID().empty())
                ids.push_back(user->ID());
    backup.ClockOrder = ids;
    std::sort(ids.begin(), ids.end(), IdLess);
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    int done = 0;
    for (const std::string& id : ids) {
        auto user = reader.GetUser(id);
        if (!user)
            throw zel::Error(zel::errc::InvalidArgument, "ZelWorkflows",
                             "The clock lists user " + id + " but does not give its record.");
        backup.Users.push_back({id, static_cast<std::int32_t>(user->AuthorityLevel()), user->RejectThreshold(),
                                user->TimeZone(), user->Template()});
        if (progress)
            progress(++done, static_cast<int>(ids.size()));
    }
    channel.SetHandReader(readerID);
    backup.Setup = channel.GetSetupData();
    return backup;
}

RestorePlan PlanRestore(const ClockBackup& current, const ClockBackup& wanted)
{
    RestorePlan plan;
    std::map<std::string, const BackupUser*, decltype(&IdLess)> have(&IdLess);
    for (const BackupUser& user : current.Users)
        have.emplace(user.ID, &user);
    std::map<std::string, bool, decltype(&IdLess)> keep(&IdLess);
    for (const BackupUser& user : wanted.Users) {
        keep.emplace(user.ID, true);
        auto it = have.find(user.ID);
        if (it == have.end() || !(*it->second == user))
            plan.Send.push_back(user);
    }
    for (const BackupUser& user : current.Users)
        if (!keep.count(user.ID))
            plan.Remove.push_back(user.ID);
    plan.WriteSetup = current.Setup != wanted.Setup;
    return plan;
}

namespace {

std::shared_ptr<zel::support::ExtendedUser> ToClockUser(const BackupUser& user)
{
    auto clockUser = std::make_shared<zel::support::ExtendedUser>();
    clockUser->SetID(user.ID);
    clockUser->SetAuthorityLevel(static_cast<zel::support::UserAuthorityLevel>(user.AuthorityLevel));
    clockUser->SetRejectThreshold(user.RejectThreshold);
    clockUser->SetTimeZone(user.TimeZone);
    clockUser->SetTemplate(user.Template);
    return clockUser;
}

} // namespace

void ApplyRestore(zel::support::IReader& reader, zel::support::Channel& channel, std::int32_t readerID,
                  const ClockBackup& current, const ClockBackup& wanted, RestoreProgress& done,
                  const std::function<void(int, int)>& progress)
{
    done = RestoreProgress{};
    const bool writeSetup = current.Setup != wanted.Setup;
    done.SetupRecord = writeSetup ? RestoreProgress::Setup::NotWritten : RestoreProgress::Setup::Unchanged;

    // What the clock holds, whole records in the clock's order.
    std::map<std::string, const BackupUser*, decltype(&IdLess)> byID(&IdLess);
    for (const BackupUser& user : current.Users)
        byID.emplace(user.ID, &user);
    std::vector<zel::support::PlanUser> held;
    for (const std::string& id : current.ClockOrder) {
        auto it = byID.find(id);
        if (it == byID.end())
            throw zel::Error(zel::errc::InvalidArgument, "ZelWorkflows",
                             "The clock's user list names user " + id + " without its record.");
        zel::support::User record;
        record.SetID(id);
        record.SetAuthorityLevel(static_cast<zel::support::UserAuthorityLevel>(it->second->AuthorityLevel));
        record.SetRejectThreshold(it->second->RejectThreshold);
        record.SetTimeZone(it->second->TimeZone);
        record.SetTemplate(it->second->Template);
        held.push_back(zel::support::PlanUser::FromRecord(id, record.ToRecord()));
    }
    zel::support::VisitorList users;
    for (const BackupUser& user : wanted.Users)
        users.push_back(ToClockUser(user));

    zel::support::UserReplacement replacement(reader);
    replacement.SetHeld(std::move(held));
    int total = 0;
    replacement.SetStep([&](const zel::support::UserReplacement::Step& step) {
        total = static_cast<int>(step.Total) + (writeSetup ? 1 : 0);
        if (progress && step.Index > 0)
            progress(static_cast<int>(step.Index), total);
        return true;
    });
    try {
        replacement.Run(users);
    } catch (...) {
        done.Users = replacement.Writes();
        throw;
    }
    done.Users = replacement.Writes();
    if (progress && total > 0 && !writeSetup)
        progress(total, total);
    if (!writeSetup)
        return;
    try {
        channel.SetHandReader(readerID);
        channel.HereIsSetupData(wanted.Setup);
    } catch (const std::exception& error) {
        if (zel::support::MayHaveBeenCarriedOut(error))
            done.SetupRecord = RestoreProgress::Setup::Uncertain;
        throw;
    }
    done.SetupRecord = RestoreProgress::Setup::Written;
    if (progress)
        progress(total == 0 ? 1 : total, total == 0 ? 1 : total);
}

} // namespace zel::workflows
