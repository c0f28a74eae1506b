#pragma once

#include "zel/support/IReader.h"
#include "zel/support/ReplacementPlan.h"
#include "zel/support/UserWrites.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zel::support {

class Channel;
class Reader;

// Makes one clock hold exactly a given set of users ("replace the clock's users with these"), in
// an order of writes that never leaves the clock holding fewer of its users that stay than before
// (ReplacementPlan): a dropped line, a cancel or a host that dies between any two frames locks out
// nobody who could clock in before. What the clock held is read from its data banks first (unless
// it reports no users, or the caller knows it: SetHeld).
//
// Holds the reader, the plan of the last Run and what it did (Writes), which is kept up to date
// frame by frame and stays readable after Run raises.
//
// How it fails: a reader of neither clock model of this library, a wanted item that is not a user
// or has a bad ID, or more users than the clock holds are refused (number 5, source "ZelClock")
// before the clock is addressed. A clock error raises the ZelErrors error and ends Run; the frames
// before it stay done and Writes tells them, the users of the failed frame being "uncertain" when
// its answer may have been lost (MayHaveBeenCarriedOut). A read that does not give the clock's
// whole list (a bank that cannot be read, fewer users than the clock counts, an ID twice) raises
// before anything is written.
class UserReplacement {
public:
    // One step of Run, told before its frame goes out.
    struct Step {
        enum class Kind { Read, Clear, Remove, Bank, Record };
        Kind What = Kind::Record;
        std::size_t Index = 0;          // the frame's place among the reads, or among the writes
        std::size_t Total = 0;          // how many reads, or writes
        std::vector<std::size_t> Users; // Bank, Record: the wanted users it writes (indexes into Run's list)
        std::string UserID;             // Remove, Record: the user's ID
    };
    // Called before each frame; false stops Run there (nothing more is sent; it returns false).
    using StepCallback = std::function<bool(const Step&)>;

    // The reader must outlive the object.
    explicit UserReplacement(IReader& reader);

    // What the clock holds, known exactly, in the clock's order (the records read one by one):
    // Run then compares whole records and reads no banks. The clock's user count must match.
    void SetHeld(std::vector<PlanUser> held);
    void SetStep(StepCallback step) { mStep = std::move(step); }

    // Makes the clock hold exactly `users` (each an IUser: its ID, template, level, reject threshold
    // and time zone). True when done, false when the step callback stopped it.
    bool Run(const VisitorList& users);

    const UserWrites& Writes() const { return mWrites; }
    const ReplacementPlan& Plan() const { return mPlan; }
    const ClockGeometry& Geometry() const { return mGeometry; }
    // Bytes the last Run's exchanges put on the line (or would have, to the end): selecting the
    // clock, asking its user count, reading its banks, and the plan's frames.
    std::size_t WireBytes() const;

private:
    void Carry(const ReplacementPlan::Frame& frame, const std::vector<PlanUser>& wanted);
    void Confirm(const ReplacementPlan::Frame& frame, const std::vector<PlanUser>& wanted);
    void Unconfirmed(const ReplacementPlan::Frame& frame, const std::vector<PlanUser>& wanted);
    bool Tell(Step step);

    Reader* mReader = nullptr; // the base-model reader that selects the clock
    bool mExtended = false;    // newer model: extended records
    ClockGeometry mGeometry;
    std::optional<std::vector<PlanUser>> mGivenHeld;
    std::vector<PlanUser> mHeld;
    StepCallback mStep;
    ReplacementPlan mPlan;
    UserWrites mWrites;
    std::size_t mBanksRead = 0;
};

} // namespace zel::support
