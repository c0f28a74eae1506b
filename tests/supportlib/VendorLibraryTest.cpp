#include "FakeVendor.h"

#include "zel/Error.h"
#include "zel/support/ChannelFactory.h"
#include "zel/support/VendorLibrary.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace zel::support;
using zel::test::FakeVendor;

namespace {

// Points ZEL_VENDOR_LIBRARY elsewhere for one test and loads afresh before and after.
class ScopedLibraryPath {
public:
    explicit ScopedLibraryPath(const char* path)
    {
        if (const char* old = std::getenv("ZEL_VENDOR_LIBRARY"))
            mOld = old;
        setenv("ZEL_VENDOR_LIBRARY", path, 1);
        VendorLibrary::Unload();
    }
    ~ScopedLibraryPath()
    {
        if (mOld.empty())
            unsetenv("ZEL_VENDOR_LIBRARY");
        else
            setenv("ZEL_VENDOR_LIBRARY", mOld.c_str(), 1);
        VendorLibrary::Unload();
    }

private:
    std::string mOld;
};

} // namespace

TEST(VendorLibraryTest, MissingLibraryIsRaisedByTheCallingOperation)
{
    ScopedLibraryPath path("/nonexistent/libzeldll32.so");
    auto channel = ChannelFactory().CreateDirectChannel(1);
    try {
        channel->Connect();
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 53);
        EXPECT_EQ(e.Description(), "File not found: zeldll32");
    }
    EXPECT_FALSE(channel->IsConnected());
    EXPECT_THROW(ChannelFactory().CreateEthernetChannel("10.0.0.1"), zel::Error);
    EXPECT_EQ(VendorLibrary::LoadedPath(), "");
    channel.reset(); // releasing must not throw although the library is missing
}

TEST(VendorLibraryTest, MissingEntryPointIsRaisedByName)
{
    FakeVendor fake;
    fake.RemoveEntry("zelOpenDirectChannel");
    auto channel = ChannelFactory().CreateDirectChannel(1);
    try {
        channel->Connect();
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 453);
        EXPECT_EQ(e.Description(), "Can't find DLL entry point zelOpenDirectChannel in zeldll32");
    }
    EXPECT_EQ(fake.CountOf("zelInstallChannel"), 1);
}

TEST(VendorLibraryTest, ALibraryWithoutTheEntryPointsGives453)
{
    // The C library is a shared object that exists everywhere and has no zel entry points.
    ScopedLibraryPath path("libc.so.6");
    try {
        ZEL_VENDOR_CALL(zelStartupWsock);
        FAIL();
    } catch (const zel::Error& e) {
        EXPECT_EQ(e.Number(), 453);
        EXPECT_EQ(e.Description(), "Can't find DLL entry point zelStartupWsock in zeldll32");
    }
    EXPECT_EQ(VendorLibrary::LoadedPath(), "libc.so.6");
}
