#include "clocksim/ClockBus.h"

#include "clocksim/StateFile.h"

#include "zel/link/Command.h"

#include <cstdio>

namespace zel::sim {
namespace {

using Lock = std::scoped_lock<std::recursive_mutex>;

// Room above a command's request size that still counts as "a request that is too long" (and is
// answered WrongLength) rather than as line noise.
constexpr std::uint16_t kOversizeSlack = 64;

const char* StatusName(link::Status s)
{
    switch (s) {
    case link::Status::Ok:
        return "Ok";
    case link::Status::DataError:
        return "DataError";
    case link::Status::NotFound:
        return "NotFound";
    case link::Status::MemoryFull:
        return "MemoryFull";
    case link::Status::UnknownCommand:
        return "UnknownCommand";
    case link::Status::WrongLength:
        return "WrongLength";
    case link::Status::Busy:
        return "Busy";
    case link::Status::Aborted:
        return "Aborted";
    case link::Status::BadCrc:
        return "BadCrc";
    case link::Status::NotSupported:
        return "NotSupported";
    }
    return "?";
}

std::string IdText(const Bytes& payload)
{
    if (payload.size() < UserIdSize)
        return "?";
    UserId id{};
    std::copy_n(payload.begin(), UserIdSize, id.begin());
    return UserIdToText(id);
}

std::int32_t Word(const Bytes& b, std::size_t at)
{
    if (b.size() < at + 4)
        return 0;
    return static_cast<std::int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(b[at + 3]) << 24));
}

} // namespace

ClockBus::ClockBus(std::shared_ptr<const TimeSource> time)
    : mTime(time ? std::move(time) : std::make_shared<SystemTimeSource>())
{
}

SimClock& ClockBus::AddClock(std::uint8_t readerId, ClockModel model)
{
    Lock lock(mMutex);
    auto& slot = mClocks[readerId];
    if (!slot) {
        slot = std::make_unique<SimClock>(readerId, model, mTime);
        slot->SetEnrollmentOptions(mEnrollment);
        slot->SetPunchEverySec(mPunchEverySec, mSeed);
        if (mClockTime.OffsetSeconds != 0 || mClockTime.DriftPpm != 0)
            slot->SetTimeOptions(mClockTime);
        // A new clock is a change the state file must learn about.
        mEverSaved = false;
    } else {
        slot->SetModel(model);
    }
    return *slot;
}

SimClock* ClockBus::FindClock(std::uint8_t readerId)
{
    Lock lock(mMutex);
    const auto it = mClocks.find(readerId);
    return it == mClocks.end() ? nullptr : it->second.get();
}

bool ClockBus::HasClock(std::uint8_t readerId) const
{
    Lock lock(mMutex);
    return mClocks.count(readerId) != 0;
}

std::vector<std::uint8_t> ClockBus::ReaderIds() const
{
    Lock lock(mMutex);
    std::vector<std::uint8_t> ids;
    for (const auto& [id, clock] : mClocks)
        ids.push_back(id);
    return ids;
}

void ClockBus::SetEnrollmentOptions(const EnrollmentOptions& options)
{
    Lock lock(mMutex);
    mEnrollment = options;
    for (auto& [id, clock] : mClocks)
        clock->SetEnrollmentOptions(options);
}

void ClockBus::SetPunches(int everySec, std::uint32_t seed)
{
    Lock lock(mMutex);
    mPunchEverySec = everySec;
    mSeed = seed;
    for (auto& [id, clock] : mClocks)
        clock->SetPunchEverySec(everySec, seed);
}

void ClockBus::SetClockTime(const ClockTimeOptions& options)
{
    Lock lock(mMutex);
    mClockTime = options;
    for (auto& [id, clock] : mClocks)
        clock->SetTimeOptions(options);
}

void ClockBus::Tick()
{
    Lock lock(mMutex);
    for (auto& [id, clock] : mClocks)
        clock->Tick();
}

bool ClockBus::AcceptsHeader(std::uint8_t readerId, std::uint8_t command, std::uint16_t length) const
{
    if (link::IsResponseCode(command) || !HasClock(readerId))
        return false;
    const link::CommandInfo* info = link::FindCommand(command);
    const std::uint32_t allowed = (info ? info->RequestSize : 0u) + kOversizeSlack;
    return length <= allowed;
}

std::optional<Bytes> ClockBus::Handle(const link::Frame& request)
{
    if (link::IsResponseCode(request.Command))
        return std::nullopt;
    Reply reply;
    bool autoSave = false;
    {
        Lock lock(mMutex);
        SimClock* clock = FindClock(request.ReaderId);
        if (!clock)
            return std::nullopt;
        reply = clock->Execute(request.Command, request.Payload);
        if (mLog)
            mLog(Describe(request, reply, clock->Model()));
        autoSave = mAutoSave;
    }
    if (autoSave) {
        try {
            SaveState();
        } catch (const std::exception& e) {
            // The clock still answers; the state file catches up with the next change.
            std::fprintf(stderr, "zelclockd: %s\n", e.what());
        }
    }
    // The answer carries the request's reader ID, code (bit 7 set) and sequence number.
    const Bytes data = reply.Status == link::Status::Ok ? reply.Payload : Bytes{};
    return link::EncodeResponseTo(request, reply.Status, data);
}

std::string ClockBus::Describe(const link::Frame& request, const Reply& reply, ClockModel model)
{
    const link::CommandInfo* info = link::FindCommand(request.Command);
    std::string line = "clock " + std::to_string(request.ReaderId) + " (" + ModelName(model) + "): ";
    if (!info) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", request.Command);
        line += std::string("unknown command ") + code;
    } else {
        line += info->Name;
        const Bytes& p = request.Payload;
        using C = link::Command;
        if (p.size() == info->RequestSize) {
            switch (info->Code) {
            case C::GetUserRecord:
            case C::GetExtUserRecord:
            case C::PutUserRecord:
            case C::PutExtUserRecord:
            case C::RemoveUserRecord:
                line += " user " + IdText(p);
                break;
            case C::GetDataBank:
            case C::PutDataBank:
                line += " bank " + std::to_string(p[0]);
                break;
            case C::GetDataLogElement:
                line += p[0] == link::kLogPrevious ? " previous" : " next";
                break;
            case C::PutTime: {
                char text[40];
                std::snprintf(text, sizeof text, " %02u-%02u-%02u %02u:%02u:%02u", p[5], p[4], p[3], p[2], p[1], p[0]);
                line += text;
                break;
            }
            default:
                break;
            }
        } else {
            line += " with " + std::to_string(p.size()) + " bytes";
        }
    }
    line += std::string(" -> ") + StatusName(reply.Status);
    if (info && info->Code == link::Command::Status && reply.Status == link::Status::Ok) {
        line += " (activity " + std::to_string(Word(reply.Payload, 0)) + ", complete " +
                std::to_string(Word(reply.Payload, 40)) + ", timed out " + std::to_string(Word(reply.Payload, 44)) +
                ")";
    }
    return line;
}

void ClockBus::SetStateFile(std::string path, bool sync)
{
    Lock lock(mMutex);
    mStatePath = std::move(path);
    mSync = sync;
    mEverSaved = false;
}

void ClockBus::LoadState()
{
    Lock lock(mMutex);
    if (mStatePath.empty())
        return;
    for (const ClockSnapshot& snapshot : StateFile::Load(mStatePath)) {
        // A clock named when the emulator was started keeps that model.
        SimClock* clock = FindClock(snapshot.ReaderId);
        if (!clock)
            clock = &AddClock(snapshot.ReaderId, snapshot.Model);
        clock->Restore(snapshot);
    }
    mSavedChanges = ChangeSum();
    mEverSaved = true;
}

std::uint64_t ClockBus::ChangeSum() const
{
    std::uint64_t sum = 0;
    for (const auto& [id, clock] : mClocks)
        sum += clock->ChangeCount();
    return sum;
}

bool ClockBus::HasStateFile() const
{
    Lock lock(mMutex);
    return !mStatePath.empty();
}

void ClockBus::SaveState(bool force)
{
    std::scoped_lock saving(mSaveMutex);
    std::vector<ClockSnapshot> snapshots;
    std::uint64_t changes = 0;
    std::string path;
    bool sync = true;
    {
        Lock lock(mMutex);
        if (mStatePath.empty())
            return;
        changes = ChangeSum();
        if (!force && mEverSaved && changes == mSavedChanges)
            return;
        for (const auto& [id, clock] : mClocks)
            snapshots.push_back(clock->Snapshot());
        path = mStatePath;
        sync = mSync;
    }
    StateFile::Save(path, snapshots, sync);
    Lock lock(mMutex);
    mSavedChanges = changes;
    mEverSaved = true;
}

void ClockBus::SetAutoSave(bool on)
{
    Lock lock(mMutex);
    mAutoSave = on;
}

void ClockBus::SetCommandLog(std::function<void(const std::string&)> log)
{
    Lock lock(mMutex);
    mLog = std::move(log);
}

} // namespace zel::sim
