#include "clocksim/SimClock.h"

#include "zel/link/Command.h"

#include <algorithm>
#include <cstring>

namespace zel::sim {
namespace {

using link::Status;
using Lock = std::scoped_lock<std::recursive_mutex>;

static_assert(UserRecordSize == link::kUserRecordSize && ExtUserRecordSize == link::kExtUserRecordSize);
static_assert(SetupRecordSize == link::kSetupRecordSize && DataBankSize == link::kDataBankSize);
static_assert(DataLogRecordSize == link::kDataLogRecordSize && StatusRecordSize == link::kStatusRecordSize);

constexpr std::size_t kTimeFormatOffset = 140;
constexpr int kMaxPunchesPerTick = 1000;

Reply Fail(Status status)
{
    return Reply{status, {}};
}
Reply Done(Bytes payload = {})
{
    return Reply{Status::Ok, std::move(payload)};
}

template <std::size_t N> Bytes ToBytes(const std::array<std::uint8_t, N>& a)
{
    return Bytes(a.begin(), a.end());
}

std::int32_t GetInt32(std::span<const std::uint8_t> b, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

void PutInt32(std::span<std::uint8_t> b, std::size_t at, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

void PutTimeRecord(std::span<std::uint8_t> out, const DateTime& t)
{
    out[0] = static_cast<std::uint8_t>(t.Second());
    out[1] = static_cast<std::uint8_t>(t.Minute());
    out[2] = static_cast<std::uint8_t>(t.Hour());
    out[3] = static_cast<std::uint8_t>(t.Day());
    out[4] = static_cast<std::uint8_t>(t.Month());
    out[5] = static_cast<std::uint8_t>(t.Year() % 100);
}

// A time record as a clock takes it: two-digit years 0-29 are 2000-2029, 30-99 1930-1999.
std::optional<DateTime> ParseTimeRecord(std::span<const std::uint8_t> r)
{
    const int second = r[0], minute = r[1], hour = r[2], day = r[3], month = r[4], yy = r[5];
    if (second > 59 || minute > 59 || hour > 23 || yy > 99)
        return std::nullopt;
    const int year = yy < 30 ? 2000 + yy : 1900 + yy;
    if (!DateTime::IsValidDate(year, month, day))
        return std::nullopt;
    return DateTime(year, month, day, hour, minute, second);
}

} // namespace

SimClock::SimClock(std::uint8_t readerId, ClockModel model, std::shared_ptr<const TimeSource> time)
    : mReaderId(readerId), mTime(time ? std::move(time) : std::make_shared<SystemTimeSource>()), mModel(model),
      mRandom(1u + readerId)
{
    mTimeBaseHostMs = mTime->NowMs();
    mTimeBaseSeconds = DateTime::FromTimeT(static_cast<std::time_t>(FloorDiv(mTimeBaseHostMs, 1000))).TotalSeconds();
}

ClockModel SimClock::Model() const
{
    Lock lock(mMutex);
    return mModel;
}

std::size_t SimClock::Capacity() const
{
    Lock lock(mMutex);
    return sim::Capacity(mModel);
}

void SimClock::SetModel(ClockModel model)
{
    Lock lock(mMutex);
    mModel = model;
}

void SimClock::SetBulkLogRead(bool known)
{
    Lock lock(mMutex);
    mBulkLogRead = known;
}

Reply SimClock::Execute(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    Lock lock(mMutex);
    TickLocked(mTime->NowMs());
    return ExecuteLocked(command, payload);
}

Reply SimClock::ExecuteLocked(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    const link::CommandInfo* info = link::FindCommand(command);
    if (!info)
        return Fail(Status::UnknownCommand);
    if (payload.size() != info->RequestSize)
        return Fail(Status::WrongLength);

    using C = link::Command;
    switch (info->Code) {
    case C::Status:
        return PollStatus();
    case C::GetReaderInfo:
        return GetReaderInfo();
    case C::GetUserRecord:
        return GetUserRecord(payload, false);
    case C::GetExtUserRecord:
        return GetUserRecord(payload, true);
    case C::PutUserRecord:
    case C::PutExtUserRecord:
        return PutUserRecord(payload);
    case C::RemoveUserRecord:
        return RemoveUserRecord(payload);
    case C::ClearUserDataBase:
        return ClearUserDataBase();
    case C::GetDataBank:
        return GetDataBank(payload[0]);
    case C::PutDataBank:
        return PutDataBank(payload[0], payload.subspan(1));
    case C::GetSetupData:
        return GetSetupData();
    case C::PutSetupData:
        return PutSetupData(payload);
    case C::UpdateNvRam:
        return UpdateNvRam();
    case C::GetTime:
        return GetTime();
    case C::PutTime:
        return PutTime(payload);
    case C::GetDataLogElement:
        if (payload[0] != link::kLogNext && payload[0] != link::kLogPrevious)
            return Fail(Status::DataError);
        return GetDataLogElement(payload[0] == link::kLogPrevious);
    case C::ReadDataLog:
        if (!mBulkLogRead)
            return Fail(Status::UnknownCommand);
        return ReadDataLog(payload);
    case C::PutDisplayMessage:
        return PutDisplayMessage(payload);
    case C::PutFkeyData:
        return PutFkeyData(payload);
    case C::EnrollUser:
        return EnrollUser();
    case C::GetLastTemplate:
        return GetLastTemplate();
    case C::VerifyOnExternalData:
        return VerifyOnExternalData(GetInt32(payload, 0), payload.subspan(4));
    case C::Abort:
        return Abort();
    }
    return Fail(Status::UnknownCommand);
}

Reply SimClock::PollStatus()
{
    Lock lock(mMutex);
    return Done(EnrollmentSim::ToRecord(mEnrollment.Poll(mTime->NowMs())));
}

Reply SimClock::GetReaderInfo()
{
    Lock lock(mMutex);
    Bytes info(ReaderInfoRecordSize, 0);
    info[0] = static_cast<std::uint8_t>(ModelCode(mModel));
    info[1] = mReaderId;
    static constexpr char kName[] = "ZEL clock emulator";
    std::memcpy(info.data() + 2, kName, sizeof kName - 1);
    const auto count = static_cast<std::uint16_t>(std::min<std::size_t>(mUsers.size(), 0x7FFF));
    info[50] = static_cast<std::uint8_t>(count & 0xFF);
    info[51] = static_cast<std::uint8_t>(count >> 8);
    const auto capacity = static_cast<std::uint16_t>(sim::Capacity(mModel));
    info[52] = static_cast<std::uint8_t>(capacity & 0xFF);
    info[53] = static_cast<std::uint8_t>(capacity >> 8);
    return Done(std::move(info));
}

std::vector<ClockUser>::iterator SimClock::Find(std::span<const std::uint8_t> id)
{
    return std::find_if(mUsers.begin(), mUsers.end(),
                        [&](const ClockUser& u) { return std::equal(id.begin(), id.end(), u.Id.begin()); });
}

std::vector<ClockUser>::const_iterator SimClock::Find(std::span<const std::uint8_t> id) const
{
    return std::find_if(mUsers.begin(), mUsers.end(),
                        [&](const ClockUser& u) { return std::equal(id.begin(), id.end(), u.Id.begin()); });
}

Reply SimClock::GetUserRecord(std::span<const std::uint8_t> id, bool extended)
{
    Lock lock(mMutex);
    if (!IsValidUserId(id))
        return Fail(Status::DataError);
    const auto it = Find(id);
    if (it == mUsers.end())
        return Fail(Status::NotFound);
    return Done(extended ? ToBytes(it->ToExtRecord()) : ToBytes(it->ToRecord()));
}

Reply SimClock::PutUserRecord(std::span<const std::uint8_t> record)
{
    Lock lock(mMutex);
    if (record.size() < UserRecordSize)
        return Fail(Status::WrongLength);
    const auto user = ClockUser::FromRecord(record.first(UserRecordSize));
    if (!user)
        return Fail(Status::DataError);
    if (!PutUser(*user))
        return Fail(Status::MemoryFull);
    AppendEvent(dlf::UserEnrolled, &user->Id, TimeAt(mTime->NowMs()));
    return Done();
}

Reply SimClock::RemoveUserRecord(std::span<const std::uint8_t> id)
{
    Lock lock(mMutex);
    if (!IsValidUserId(id))
        return Fail(Status::DataError);
    const auto it = Find(id);
    if (it == mUsers.end())
        return Fail(Status::NotFound);
    const UserId removed = it->Id;
    mUsers.erase(it);
    Changed();
    AppendEvent(dlf::UserRemoved, &removed, TimeAt(mTime->NowMs()));
    return Done();
}

Reply SimClock::ClearUserDataBase()
{
    Lock lock(mMutex);
    mUsers.clear();
    Changed();
    AppendEvent(dlf::MemoryCleared, nullptr, TimeAt(mTime->NowMs()));
    return Done();
}

Reply SimClock::GetDataBank(int bank)
{
    Lock lock(mMutex);
    if (bank < 0 || bank >= BankCount)
        return Fail(Status::DataError);
    Bytes data(DataBankSize, 0xFF);
    const std::size_t perBank = SlotsPerBank(mModel);
    const std::size_t slotSize = SlotSize(mModel);
    const std::size_t first = static_cast<std::size_t>(bank) * perBank;
    for (std::size_t s = 0; s < perBank && first + s < mUsers.size(); ++s) {
        const auto slot = mUsers[first + s].ToBankRecord();
        std::copy(slot.begin(), slot.end(), data.begin() + static_cast<std::ptrdiff_t>(s * slotSize));
    }
    return Done(std::move(data));
}

Reply SimClock::PutDataBank(int bank, std::span<const std::uint8_t> data)
{
    Lock lock(mMutex);
    if (data.size() != DataBankSize)
        return Fail(Status::WrongLength);
    if (bank < 0 || bank >= BankCount)
        return Fail(Status::DataError);
    const std::size_t perBank = SlotsPerBank(mModel);
    const std::size_t slotSize = SlotSize(mModel);

    // Bank k holds the users at positions k * perBank onwards: writing it keeps the users before
    // them and replaces everything from there (so bank 0 starts a new set, and writing a bank
    // again after a lost answer does no harm).
    std::vector<ClockUser> users(
        mUsers.begin(), mUsers.begin() + static_cast<std::ptrdiff_t>(
                                             std::min(mUsers.size(), static_cast<std::size_t>(bank) * perBank)));
    for (std::size_t s = 0; s < perBank; ++s) {
        const auto slot = data.subspan(s * slotSize, BankSlotRecordSize);
        if (slot[0] == 0xFF)
            break;
        const auto user = ClockUser::FromRecord(slot);
        if (!user)
            return Fail(Status::DataError);
        const auto same =
            std::find_if(users.begin(), users.end(), [&](const ClockUser& u) { return u.Id == user->Id; });
        if (same != users.end())
            *same = *user;
        else
            users.push_back(*user);
    }
    if (users.size() > sim::Capacity(mModel))
        return Fail(Status::MemoryFull);
    mUsers = std::move(users);
    Changed();
    return Done();
}

Reply SimClock::GetSetupData()
{
    Lock lock(mMutex);
    return Done(ToBytes(mSetup));
}

Reply SimClock::PutSetupData(std::span<const std::uint8_t> record)
{
    Lock lock(mMutex);
    if (record.size() != SetupRecordSize)
        return Fail(Status::WrongLength);
    const std::int32_t format = GetInt32(record, kTimeFormatOffset);
    if (format != 0 && format != 1)
        return Fail(Status::DataError);
    std::copy(record.begin(), record.end(), mSetup.begin());
    Changed();
    return Done();
}

Reply SimClock::UpdateNvRam()
{
    return Done();
}

Reply SimClock::GetTime()
{
    Lock lock(mMutex);
    Bytes record(TimeRecordSize, 0);
    PutTimeRecord(record, TimeAt(mTime->NowMs()));
    return Done(std::move(record));
}

Reply SimClock::PutTime(std::span<const std::uint8_t> record)
{
    Lock lock(mMutex);
    if (record.size() != TimeRecordSize)
        return Fail(Status::WrongLength);
    const auto time = ParseTimeRecord(record);
    if (!time)
        return Fail(Status::DataError);
    SetTime(*time);
    AppendEvent(dlf::TimeAndDateSet, nullptr, *time);
    return Done();
}

Reply SimClock::GetDataLogElement(bool previous)
{
    Lock lock(mMutex);
    const std::uint64_t before = mLog.Position();
    const DataLogRecord record = mLog.Read(previous);
    if (mLog.Position() != before)
        Changed();
    return Done(ToBytes(record));
}

Reply SimClock::ReadDataLog(std::span<const std::uint8_t> request)
{
    Lock lock(mMutex);
    const std::uint8_t mode = request[0];
    const std::uint8_t count = request[1];
    if (mode > link::kLogAfterSerial || count > link::kDataLogReadMax)
        return Fail(Status::DataError);
    const std::uint64_t before = mLog.Position();
    if (mode == link::kLogAfterSerial && count > 0)
        mLog.SeekAfter(static_cast<std::uint32_t>(GetInt32(request, 2)));
    Bytes answer(link::kDataLogStateSize, 0);
    const std::uint64_t firstRead = mode == link::kLogPrevious ? mLog.Position() - 1 : mLog.Position() + 1;
    std::uint8_t n = 0;
    while (n < count) {
        const std::uint64_t at = mLog.Position();
        const DataLogRecord record = mLog.Read(mode == link::kLogPrevious);
        if (mLog.Position() == at)
            break; // an end of the log
        answer.insert(answer.end(), record.begin(), record.end());
        ++n;
    }
    // Serial numbers on the line are 32 bits; the emulator's log never counts that far.
    auto put = [&](std::size_t at, std::uint64_t value) {
        PutInt32(answer, at, static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
    };
    put(link::kLogStateFirstOffset, mLog.BeginSeq());
    put(link::kLogStateNextOffset, mLog.EndSeq());
    put(link::kLogStateCursorOffset, mLog.Position());
    put(link::kLogStateCapacityOffset, mLog.Capacity());
    put(link::kLogStateFirstReadOffset, n > 0 ? firstRead : 0);
    answer[link::kLogStateCountOffset] = n;
    if (mLog.Position() != before)
        Changed();
    return Done(std::move(answer));
}

Reply SimClock::PutDisplayMessage(std::span<const std::uint8_t> record)
{
    Lock lock(mMutex);
    if (record.size() != DisplayMessageRecordSize)
        return Fail(Status::WrongLength);
    const std::int32_t target = GetInt32(record, 0);
    if (target == -1) {
        if (!IsValidUserId(record.subspan(4, UserIdSize)))
            return Fail(Status::DataError);
    } else if (target == 0) {
        if (record[4] < 1 || record[4] > 20)
            return Fail(Status::DataError);
    } else {
        return Fail(Status::DataError);
    }
    mLastDisplay.assign(record.begin(), record.end());
    ++mDisplayCount;
    return Done();
}

Reply SimClock::PutFkeyData(std::span<const std::uint8_t> data)
{
    Lock lock(mMutex);
    if (data.size() != FkeyDataSize)
        return Fail(Status::WrongLength);
    std::copy(data.begin(), data.end(), mMenu.begin());
    Changed();
    return Done();
}

Reply SimClock::EnrollUser()
{
    Lock lock(mMutex);
    std::uint32_t person = mEnrollmentOptions.Person;
    if (person == 0) {
        person = mNextPerson++;
        Changed();
    }
    mEnrollment.Start(EnrollmentSim::Phase::Enrolling, person, mEnrollmentOptions, mTime->NowMs());
    return Done();
}

Reply SimClock::GetLastTemplate()
{
    Lock lock(mMutex);
    Bytes record(LastTemplateRecordSize, 0);
    const Template& hand = mEnrollment.LastTemplate();
    std::copy(hand.begin(), hand.end(), record.begin() + 2);
    return Done(std::move(record));
}

Reply SimClock::VerifyOnExternalData(std::int32_t /*number*/, std::span<const std::uint8_t> hand)
{
    Lock lock(mMutex);
    if (hand.size() != TemplateSize)
        return Fail(Status::WrongLength);
    // The person who enrolled last puts the hand down once more; without an enrollment a new
    // person comes.
    std::uint32_t person = mEnrollment.Person();
    if (mEnrollment.LastPhase() == EnrollmentSim::Phase::Idle) {
        person = mEnrollmentOptions.Person != 0 ? mEnrollmentOptions.Person : mNextPerson++;
        Changed();
    }
    mEnrollment.Start(EnrollmentSim::Phase::Verifying, person, mEnrollmentOptions, mTime->NowMs());
    return Done();
}

Reply SimClock::Abort()
{
    Lock lock(mMutex);
    mEnrollment.Abort();
    return Done();
}

void SimClock::Tick()
{
    Lock lock(mMutex);
    TickLocked(mTime->NowMs());
}

void SimClock::TickLocked(std::int64_t nowMs)
{
    if (mPunchEverySec <= 0)
        return;
    const std::int64_t period = static_cast<std::int64_t>(mPunchEverySec) * 1000;
    if (mNextPunchMs == 0)
        mNextPunchMs = nowMs + period;
    // After a long pause only the most recent punches are made up for.
    if (nowMs - mNextPunchMs > period * kMaxPunchesPerTick)
        mNextPunchMs = nowMs - period * (kMaxPunchesPerTick - 1);
    for (; mNextPunchMs <= nowMs; mNextPunchMs += period) {
        if (mUsers.empty())
            continue;
        std::uniform_int_distribution<std::size_t> pick(0, mUsers.size() - 1);
        const UserId id = mUsers[pick(mRandom)].Id;
        AppendEvent(dlf::IdentityVerified, &id, TimeAt(mNextPunchMs));
    }
}

void SimClock::SetEnrollmentOptions(const EnrollmentOptions& options)
{
    Lock lock(mMutex);
    mEnrollmentOptions = options;
}

EnrollmentOptions SimClock::GetEnrollmentOptions() const
{
    Lock lock(mMutex);
    return mEnrollmentOptions;
}

void SimClock::SetPunchEverySec(int seconds, std::uint32_t seed)
{
    Lock lock(mMutex);
    mPunchEverySec = std::max(seconds, 0);
    mNextPunchMs = 0;
    mRandom.seed(seed + mReaderId);
}

std::vector<ClockUser> SimClock::Users() const
{
    Lock lock(mMutex);
    return mUsers;
}

std::size_t SimClock::UserCount() const
{
    Lock lock(mMutex);
    return mUsers.size();
}

std::optional<ClockUser> SimClock::FindUser(const UserId& id) const
{
    Lock lock(mMutex);
    const auto it = Find(id);
    if (it == mUsers.end())
        return std::nullopt;
    return *it;
}

bool SimClock::PutUser(const ClockUser& user)
{
    Lock lock(mMutex);
    const auto it = Find(user.Id);
    if (it != mUsers.end()) {
        *it = user;
    } else {
        if (mUsers.size() >= sim::Capacity(mModel))
            return false;
        mUsers.push_back(user);
    }
    Changed();
    return true;
}

SetupRecord SimClock::Setup() const
{
    Lock lock(mMutex);
    return mSetup;
}

void SimClock::SetSetup(const SetupRecord& setup)
{
    Lock lock(mMutex);
    mSetup = setup;
    Changed();
}

DateTime SimClock::TimeAt(std::int64_t hostMs) const
{
    // Host milliseconds since the base, stretched by the drift: (1 + ppm / 10^6) clock ms per host ms.
    const std::int64_t elapsed = hostMs - mTimeBaseHostMs;
    const auto drifted = static_cast<std::int64_t>(static_cast<long double>(elapsed) *
                                                   (1.0L + static_cast<long double>(mDriftPpm) / 1'000'000.0L));
    return DateTime::FromTotalSeconds(mTimeBaseSeconds + FloorDiv(drifted, 1000));
}

DateTime SimClock::Time() const
{
    Lock lock(mMutex);
    return TimeAt(mTime->NowMs());
}

void SimClock::SetTime(const DateTime& time)
{
    Lock lock(mMutex);
    mTimeBaseHostMs = mTime->NowMs();
    mTimeBaseSeconds = time.TotalSeconds();
    Changed();
}

void SimClock::SetTimeOptions(const ClockTimeOptions& options)
{
    Lock lock(mMutex);
    mTimeBaseHostMs = mTime->NowMs();
    mTimeBaseSeconds = DateTime::FromTimeT(static_cast<std::time_t>(FloorDiv(mTimeBaseHostMs, 1000))).TotalSeconds() +
                       options.OffsetSeconds;
    mDriftPpm = options.DriftPpm;
    Changed();
}

std::array<std::uint8_t, FkeyDataSize> SimClock::MenuProgram() const
{
    Lock lock(mMutex);
    return mMenu;
}

std::vector<DataLogRecord> SimClock::Events() const
{
    Lock lock(mMutex);
    return mLog.Records();
}

void SimClock::LogEvent(std::int32_t formatType, const UserId* id)
{
    Lock lock(mMutex);
    AppendEvent(formatType, id, TimeAt(mTime->NowMs()));
}

void SimClock::LogPastPunches(int count)
{
    Lock lock(mMutex);
    if (count <= 0)
        return;
    const std::size_t wanted = mLog.Size() + static_cast<std::size_t>(count);
    if (wanted > mLog.Capacity()) {
        EventLog larger(wanted);
        larger.Restore(mLog.Records(), mLog.EndSeq(), mLog.Position());
        mLog = std::move(larger);
    }
    const std::int64_t now = mTime->NowMs();
    for (int i = count - 1; i >= 0; --i) {
        UserId id{};
        if (mUsers.empty()) {
            const int number = static_cast<int>(mRandom() % 50) + 1;
            id[3] = static_cast<std::uint8_t>((number / 1000 % 10) << 4 | number / 100 % 10);
            id[4] = static_cast<std::uint8_t>((number / 10 % 10) << 4 | number % 10);
        } else {
            id = mUsers[mRandom() % mUsers.size()].Id;
        }
        AppendEvent(dlf::IdentityVerified, &id, TimeAt(now - static_cast<std::int64_t>(i) * 60000));
    }
}

DataLogRecord SimClock::MakeLogRecord(std::int32_t formatType, const UserId* id, const DateTime& when) const
{
    DataLogRecord r{};
    r[0] = mReaderId;
    PutTimeRecord(std::span<std::uint8_t>(r).subspan(1, TimeRecordSize), when);
    PutInt32(r, 8, formatType);
    if (id)
        std::copy(id->begin(), id->end(), r.begin() + 12);
    return r;
}

void SimClock::AppendEvent(std::int32_t formatType, const UserId* id, const DateTime& when)
{
    mLog.Append(MakeLogRecord(formatType, id, when));
    Changed();
}

Bytes SimClock::LastDisplayMessage() const
{
    Lock lock(mMutex);
    return mLastDisplay;
}

int SimClock::DisplayMessageCount() const
{
    Lock lock(mMutex);
    return mDisplayCount;
}

EnrollmentSim::Phase SimClock::EnrollmentPhase() const
{
    Lock lock(mMutex);
    return mEnrollment.CurrentPhase();
}

int SimClock::EnrollmentReadsDone() const
{
    Lock lock(mMutex);
    return mEnrollment.ReadsDone();
}

void SimClock::SetNextPerson(std::uint32_t person)
{
    Lock lock(mMutex);
    mNextPerson = person == 0 ? 1 : person;
    Changed();
}

std::uint64_t SimClock::ChangeCount() const
{
    Lock lock(mMutex);
    return mChanges;
}

ClockSnapshot SimClock::Snapshot() const
{
    Lock lock(mMutex);
    ClockSnapshot s;
    s.ReaderId = mReaderId;
    s.Model = mModel;
    s.Users = mUsers;
    s.Setup = mSetup;
    s.MenuProgram = mMenu;
    s.TimeBaseSeconds = mTimeBaseSeconds;
    s.TimeBaseHostMs = mTimeBaseHostMs;
    s.Events = mLog.Records();
    s.LogEndSeq = mLog.EndSeq();
    s.LogPosition = mLog.Position();
    s.NextPerson = mNextPerson;
    return s;
}

void SimClock::Restore(const ClockSnapshot& s)
{
    Lock lock(mMutex);
    mUsers = s.Users;
    mSetup = s.Setup;
    mMenu = s.MenuProgram;
    mTimeBaseSeconds = s.TimeBaseSeconds;
    mTimeBaseHostMs = s.TimeBaseHostMs;
    mLog.Restore(s.Events, s.LogEndSeq, s.LogPosition);
    mNextPerson = s.NextPerson == 0 ? 1 : s.NextPerson;
    Changed();
}

} // namespace zel::sim
