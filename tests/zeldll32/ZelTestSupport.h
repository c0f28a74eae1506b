#pragma once
// Helpers shared by the vendor library's tests.
#include <cstdlib>
#include <optional>
#include <string>

#include "zeldll32.h"

namespace zel::test {

// Sets an environment variable for the life of the object and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : mName(name)
    {
        if (const char* old = std::getenv(name)) {
            mOld = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (mOld) {
            ::setenv(mName.c_str(), mOld->c_str(), 1);
        } else {
            ::unsetenv(mName.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string mName;
    std::optional<std::string> mOld;
};

// zelStartupWsock for the life of the object.
struct SocketLayer {
    SocketLayer() { zelStartupWsock(); }
    ~SocketLayer() { zelCleanupWsock(); }
    SocketLayer(const SocketLayer&) = delete;
    SocketLayer& operator=(const SocketLayer&) = delete;
};

} // namespace zel::test
