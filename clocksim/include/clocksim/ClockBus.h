#pragma once

#include "clocksim/ClockTypes.h"
#include "clocksim/SimClock.h"

#include "zel/link/Frame.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace zel::sim {

// The clocks behind one endpoint, told apart by reader ID as on a shared line. Takes decoded
// request frames and gives the response frames; frames for a reader ID that no clock has, and
// response frames, get no answer. Keeps the state file up to date.
class ClockBus {
public:
    explicit ClockBus(std::shared_ptr<const TimeSource> time = nullptr);

    SimClock& AddClock(std::uint8_t readerId, ClockModel model);
    SimClock* FindClock(std::uint8_t readerId);
    std::vector<std::uint8_t> ReaderIds() const;
    bool HasClock(std::uint8_t readerId) const;

    // Settings given to clocks added from now on (and, through the setters, to all clocks).
    void SetEnrollmentOptions(const EnrollmentOptions& options);
    void SetPunches(int everySec, std::uint32_t seed);
    // Sets every clock off the host's time (see ClockTimeOptions); clocks added later too.
    void SetClockTime(const ClockTimeOptions& options);

    // Lets every clock generate the punches that are due.
    void Tick();

    // The encoded response frame, or nothing when no clock answers. The response echoes the
    // request's sequence number, so the host can tell it from a late answer to another request.
    std::optional<Bytes> Handle(const link::Frame& request);
    // Whether a frame header may start a request for this bus (for the frame decoder): a request
    // code, a known reader ID and no more payload than a request can sensibly carry.
    bool AcceptsHeader(std::uint8_t readerId, std::uint8_t command, std::uint16_t length) const;

    // State file. With a path set and auto-save on (the default), Handle writes the file after
    // every command that changed a clock. With auto-save off the owner calls SaveState itself
    // (the server does so from a thread of its own, so bursts of changes share one write).
    void SetStateFile(std::string path, bool sync);
    void SetAutoSave(bool on);
    bool HasStateFile() const;
    // Adds the clocks of the state file (a missing file is an empty state). Throws
    // std::runtime_error when the file cannot be read or is not a state file.
    void LoadState();
    // Writes the state file when something changed since the last write (or always with force).
    // The clocks are copied under the bus lock; the file is written outside it.
    void SaveState(bool force = false);

    // Receives one line per command served.
    void SetCommandLog(std::function<void(const std::string&)> log);
    // The line logged for a request and its answer.
    static std::string Describe(const link::Frame& request, const Reply& reply, ClockModel model);

private:
    std::uint64_t ChangeSum() const;

    std::shared_ptr<const TimeSource> mTime;
    mutable std::recursive_mutex mMutex;
    std::mutex mSaveMutex; // one writer of the state file at a time
    std::map<std::uint8_t, std::unique_ptr<SimClock>> mClocks;
    EnrollmentOptions mEnrollment;
    ClockTimeOptions mClockTime;
    int mPunchEverySec = 0;
    std::uint32_t mSeed = 1;
    std::string mStatePath;
    bool mSync = true;
    bool mAutoSave = true;
    std::uint64_t mSavedChanges = 0;
    bool mEverSaved = false;
    std::function<void(const std::string&)> mLog;
};

} // namespace zel::sim
