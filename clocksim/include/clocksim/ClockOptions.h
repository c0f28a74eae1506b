#pragma once

#include <cstdint>

namespace zel::sim {

// Which phase of an enrollment ends in a time-out instead of "complete".
enum class TimeoutPhase { None, Enrollment, Verification };

// How the simulated person behaves at the hand reader.
//
// A phase (enrollment or verification) is a row of hand reads: for each read the hand goes down
// (read activity on, the four finger lamps lit) and up again (activity off). Each status poll
// moves the phase on by at most one step, and only when half a read time has passed since the
// last step; with ReadTimeMs = 0 every poll is one step, so a test drives an enrollment by
// polling alone. After the last read the phase reports "complete" (or "timed out", see Timeout).
struct EnrollmentOptions {
    int ReadsNeeded = 4;                       // reads of the enrollment phase
    int VerifyReads = 1;                       // reads of the verification phase
    int ReadTimeMs = 800;                      // one read: hand down for half of it, up for the other half
    TimeoutPhase Timeout = TimeoutPhase::None; // the phase that ends timed out after its reads
    bool NoPerson = false;                     // nobody comes: the phase times out after IdleTimeoutMs
    int IdleTimeoutMs = 10000;
    std::uint32_t Person = 0; // the person who comes (their template follows from it); 0 = a new one each time
};

// Ways to make the emulator a hard peer. 0 / false = off.
struct FaultOptions {
    int BitRate = 0;              // each exchange costs (request + answer bytes) * 10 / BitRate seconds
    int LatencyMs = 0;            // added before every answer
    int DropAfterFrames = 0;      // the link is dropped after answering this many frames
    bool DropLosesAnswer = false; // the request that meets the drop is carried out first (only its answer is lost)
    int CorruptEvery = 0;         // every Nth answer goes out with one byte flipped
    bool Late = false;            // answers come LateMs after the request (past the client's time-out)
    int LateMs = 3000;
};

// How far an emulated clock's time is from the host's, so that tests and demos have clocks to
// correct. The offset is applied when the options are given (a clock added later starts that far
// off); the drift holds until the options change: a clock set with PutTime runs off again from
// the time it was given.
struct ClockTimeOptions {
    std::int64_t OffsetSeconds = 0; // the clock starts this far ahead of the host (negative: behind)
    int DriftPpm = 0;               // and gains this many microseconds per second (negative: loses)
};

} // namespace zel::sim
