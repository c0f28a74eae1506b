// The file of people's data: mode 0600 whatever the umask, whole or not there, the target left as
// it was when the writing fails.
#include "zel/workflows/PrivateFile.h"

#include "zel/Error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace zel::workflows {
namespace {

namespace fs = std::filesystem;

class PrivateFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("zel-private-file-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        target = (folder / "export.csv").string();
        oldMask = ::umask(022);
    }
    void TearDown() override
    {
        ::umask(oldMask);
        fs::remove_all(folder);
    }

    std::string Read() const
    {
        std::ifstream in(target, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int Mode() const
    {
        struct stat info {};
        return ::stat(target.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
    }
    std::size_t Files() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {})); }

    fs::path folder;
    std::string target;
    mode_t oldMask = 022;
};

TEST_F(PrivateFileTest, ANewFileOrAReplacedOneIsTheOwnersOnly)
{
    for (const bool existed : {false, true}) {
        if (existed) {
            std::ofstream(target) << "the earlier export, longer than the new one";
            fs::permissions(target, fs::perms(0644));
        }
        {
            PrivateFile file(target);
            file.Stream() << "time,clock\r\n" << std::string(200000, 'x') << "\r\n";
            file.Commit();
        }
        EXPECT_EQ(Read(), "time,clock\r\n" + std::string(200000, 'x') + "\r\n") << existed;
        EXPECT_EQ(Mode(), 0600) << existed;
        EXPECT_EQ(Files(), 1u) << "nothing left beside it";
    }
}

TEST_F(PrivateFileTest, AFileNeverCommittedLeavesTheTargetAsItWas)
{
    std::ofstream(target) << "before";
    {
        PrivateFile file(target);
        file.Stream() << "half of an export";
        EXPECT_EQ(Files(), 2u) << "written beside the target";
    } // an error on the way: never committed
    EXPECT_EQ(Read(), "before");
    EXPECT_EQ(Files(), 1u);
}

TEST_F(PrivateFileTest, FailuresNameTheFileAndWhy)
{
    const std::string nowhere = (folder / "missing" / "export.csv").string();
    try {
        PrivateFile file(nowhere);
        FAIL() << "a file in a missing folder";
    } catch (const zel::Error& error) {
        EXPECT_EQ(error.Number(), 75);
        EXPECT_EQ(error.Description(), "cannot write '" + nowhere + "': No such file or directory");
    }
    EXPECT_THROW(PrivateFile{folder.string()}, zel::Error) << "a folder is no file";
}

TEST_F(PrivateFileTest, ADeviceIsWrittenInPlace)
{
    PrivateFile file("/dev/null");
    file.Stream() << "to nowhere";
    EXPECT_NO_THROW(file.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null")) << "never replaced by a file of its own";
}

} // namespace
} // namespace zel::workflows
