#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace zel::test {

// Sets this machine's time zone (the environment variable TZ) for the life of the object and
// puts the old value back after. For single-threaded tests: the environment is the process's.
class MachineZone {
public:
    // nullptr: TZ unset (the zone of /etc/localtime).
    explicit MachineZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            mOld = old;
        if (zone)
            ::setenv("TZ", zone, 1);
        else
            ::unsetenv("TZ");
    }
    ~MachineZone()
    {
        if (mOld)
            ::setenv("TZ", mOld->c_str(), 1);
        else
            ::unsetenv("TZ");
    }
    MachineZone(const MachineZone&) = delete;
    MachineZone& operator=(const MachineZone&) = delete;

private:
    std::optional<std::string> mOld;
};

} // namespace zel::test
