#pragma once
// What the clock benchmarks share: the clock library to use and a folder for their site.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zel::bench {

// The clock library built beside the benchmark, unless ZEL_VENDOR_LIBRARY names another.
inline void UseClockLibraryBesideProgram()
{
    if (std::getenv("ZEL_VENDOR_LIBRARY"))
        return;
    const std::string self = std::filesystem::canonical("/proc/self/exe").parent_path() / "libzeldll32.so";
    ::setenv("ZEL_VENDOR_LIBRARY", self.c_str(), 1);
}

// A folder of the benchmark's own under the temporary folder ("<name>-<pid>"), removed with
// everything in it when it goes.
class BenchFolder {
public:
    explicit BenchFolder(const std::string& name)
        : mPath(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(mPath);
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::filesystem::path& Path() const { return mPath; }
    // "<folder>/zel.mdb", not made yet.
    std::string SitePath() const { return (mPath / "zel.mdb").string(); }

private:
    std::filesystem::path mPath;
};

} // namespace zel::bench
