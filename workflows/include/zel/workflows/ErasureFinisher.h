#pragma once
// Pending erasures finished on the first command that reaches their clock.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zel::support {
class Channel;
class IReader;
} // namespace zel::support

namespace zel::workflows {

// The site's pending erasures of the clocks on one line (a forget that could not reach them), by
// reader ID, attached to the channel made for that line: when the channel reaches one of those
// clocks (Channel::GetReader), the users are removed from it before the command does anything
// else, and each erasure done is taken out of the site.
//
// Holds the erasures read from the site on the calling thread when the channel was made. Finish
// runs on whatever thread reaches the clock; it records what it finished on the calling thread of
// the command (ParallelGroups::PostHome), since the site belongs to that thread.
//
// How it fails: never raises. A clock that refuses a removal keeps its erasures pending for the
// next command; a site that cannot record a finished erasure (opened read-only) keeps the row,
// and the next command that reaches the clock finds the user gone and takes the row out then.
class ErasureFinisher : public std::enable_shared_from_this<ErasureFinisher> {
public:
    // The finisher of the clocks whose channels name `line` (LineOfDescription), read from the
    // calling thread's site; nullptr when the site holds none for them or cannot tell.
    static std::shared_ptr<ErasureFinisher> ForLine(const std::string& line);

    // Makes the channel call Finish for every clock it reaches.
    void Attach(zel::support::Channel& channel);
    // Removes the pending users from the clock with that reader ID (none for another one).
    void Finish(zel::support::IReader& reader, std::int32_t readerID);

private:
    struct Pending {
        std::int32_t ClockID = 0;
        std::string ClockName;
        std::string UserID;
    };
    std::mutex mLock;
    std::map<std::int32_t, std::vector<Pending>> mByReader;
};

} // namespace zel::workflows
