#pragma once
// The fixture of the workflows cases that need a site database: a new, empty site in a folder of
// its own, open as this thread's site for the case and released at its end (so that the next case
// opens its own).
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace zel::workflows::test {

class TempSiteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mFolder =
            std::filesystem::temp_directory_path() / ("zel-workflows-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(mFolder);
        std::filesystem::create_directories(mFolder);
        mSite = (mFolder / "zel.mdb").string();
        zel::data::DataSource::CreateDatabase(mSite);
        zel::data::DataSource().OpenDatabase(mSite);
    }

    void TearDown() override
    {
        zel::data::DataSource().ReleaseDatabase();
        std::filesystem::remove_all(mFolder);
    }

    static std::shared_ptr<zel::data::UserDescriptionList> Users()
    {
        return zel::data::DataSource().GetUserDescriptionList();
    }

    // Adds and saves a user of the site.
    static std::shared_ptr<zel::data::UserDescription> AddUser(const std::string& id, const std::string& name,
                                                               std::int32_t level = 0, bool enrolled = false)
    {
        auto user = Users()->Add(id, name);
        user->SetAuthorityLevel(level);
        if (enrolled) {
            user->SetEnrolled(true);
            user->SetTemplate({9, 8, 7, 6, 5, 4, 3, 2, 1});
        }
        Users()->Save();
        return user;
    }

    std::string File(const std::string& name) const { return (mFolder / name).string(); }

    std::filesystem::path mFolder;
    std::string mSite;
};

} // namespace zel::workflows::test
