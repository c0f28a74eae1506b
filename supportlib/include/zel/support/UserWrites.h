#pragma once

#include <exception>
#include <string>
#include <vector>

namespace zel::support {

// What a command that writes users did to one clock's users, counted from the clock's answers and
// kept up to date frame by frame, so that after an interruption (a dropped line, a cancel, an
// error) it tells exactly what the clock holds of the users meant for it.
//
// A frame whose answer never came (time-out, lost link, damaged answer) may or may not have been
// carried out: its users are "uncertain". They are counted among the users the clock lacks (not
// confirmed), and told apart; a removal whose answer was lost is told as uncertain too.
struct UserWrites {
    int Wanted = 0;                      // the users the clock is to hold, each once
    bool Planned = false;                // the writes were worked out (false: the clock was left as it was)
    bool ClockRead = false;              // what the clock held is known (read, or it was empty): "lacks" is exact
    int AlreadyHeld = 0;                 // wanted users the clock held as wanted before: left alone
    int Removed = 0;                     // users removed because they were not wanted (all of them by a clear)
    bool Cleared = false;                // the removal was a clear: the clock held no user that stays
    int ByBank = 0;                      // wanted users written in data banks
    int Banks = 0;                       // data banks written
    int OneByOne = 0;                    // wanted users written one by one, each with its own record
    std::vector<std::string> Lacking;    // wanted users not confirmed on the clock (IDs)
    std::vector<std::string> NotRemoved; // users to remove that are not confirmed removed (IDs)
    std::vector<std::string> Uncertain;  // users of the frame whose answer was lost (wanted or removed)

    // Wanted users written (each is written once: by bank or one by one).
    int Written() const { return ByBank + OneByOne; }
    // Nothing to tell beyond "N users sent": only users written one by one, nothing held, removed or lacking.
    bool Plain() const;
    // Of the uncertain users, those the clock is to hold.
    int UncertainWanted() const;
    // What was done, beside the number of users written: "590 already held, 5 removed, 10 written in
    // 1 data bank"; empty when Plain.
    std::string DoneText() const;
    // What the clock lacks: "the clock lacks 344 of the 600 users, 256 of them uncertain (the answer
    // to the last frame was lost)" ("... not confirmed on the clock" when the clock was not read),
    // "nothing was written" when nothing was planned; empty when it lacks nothing.
    std::string LackText() const;
};

// True when a clock command that failed with this error may still have been carried out: the
// request went out and its answer was lost or damaged (time-out, broken link, bad CRC, an answer
// of the wrong size, a cancelled exchange). False for an error the clock answered (refused) or one
// raised before anything was sent.
bool MayHaveBeenCarriedOut(const std::exception& error);

} // namespace zel::support
