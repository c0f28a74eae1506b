#pragma once

#include "zeldll32.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

namespace zel::support {

// The table of entry points of the clock library. Every call of this library into
// libzeldll32.so goes through it. Normally the entries are resolved one by one at their first
// use from the library loaded at the first call; tests install a table of their own.
struct VendorTable {
    decltype(&::zelInstallChannel) zelInstallChannel = nullptr;
    decltype(&::zelOpenDirectChannel) zelOpenDirectChannel = nullptr;
    decltype(&::zelStartupWsock) zelStartupWsock = nullptr;
    decltype(&::zelCleanupWsock) zelCleanupWsock = nullptr;
    decltype(&::zelInitWsock) zelInitWsock = nullptr;
    decltype(&::zelCloseChannel) zelCloseChannel = nullptr;
    decltype(&::zelCloseWsock) zelCloseWsock = nullptr;
    decltype(&::zelSetHandReader) zelSetHandReader = nullptr;
    decltype(&::zelGetReaderInfo) zelGetReaderInfo = nullptr;
    decltype(&::zelTextToID) zelTextToID = nullptr;
    decltype(&::zelIDToText) zelIDToText = nullptr;
    decltype(&::zelGetUserRecord) zelGetUserRecord = nullptr;
    decltype(&::zelGetExtUserRecord) zelGetExtUserRecord = nullptr;
    decltype(&::zelHereIsUserRecord) zelHereIsUserRecord = nullptr;
    decltype(&::zelHereIsExtUserRecord) zelHereIsExtUserRecord = nullptr;
    decltype(&::zelRemoveUserRecord) zelRemoveUserRecord = nullptr;
    decltype(&::zelClearUserDataBase) zelClearUserDataBase = nullptr;
    decltype(&::zelGetDataBank) zelGetDataBank = nullptr;
    decltype(&::zelSetDataBank) zelSetDataBank = nullptr;
    decltype(&::zelGetSetupData) zelGetSetupData = nullptr;
    decltype(&::zelHereIsSetupData) zelHereIsSetupData = nullptr;
    decltype(&::zelUpdateNVRam) zelUpdateNVRam = nullptr;
    decltype(&::zelGetTime) zelGetTime = nullptr;
    decltype(&::zelHereIsTime) zelHereIsTime = nullptr;
    decltype(&::zelGetDataLogElement) zelGetDataLogElement = nullptr;
    decltype(&::zelReadDataLog) zelReadDataLog = nullptr;
    decltype(&::zelHereIsDisplayMessage) zelHereIsDisplayMessage = nullptr;
    decltype(&::zelHereIsFkeyData) zelHereIsFkeyData = nullptr;
    decltype(&::zelEnrollUser) zelEnrollUser = nullptr;
    decltype(&::zelSendStatusCRC) zelSendStatusCRC = nullptr;
    decltype(&::zelGetLastTemplate) zelGetLastTemplate = nullptr;
    decltype(&::zelVerifyOnExternalData) zelVerifyOnExternalData = nullptr;
    decltype(&::zelAbortCommand) zelAbortCommand = nullptr;
};

// The binding to libzeldll32.so. The library is opened at the first call: the file named by
// ZEL_VENDOR_LIBRARY when that is set, otherwise "libzeldll32.so" by the loader's search
// (which includes the folder of this library), then the folder of the running program.
// A missing library raises 53 "File not found: zeldll32"; a missing entry point raises
// 453 "Can't find DLL entry point NAME in zeldll32" (source "ZelSupportLib" for both).
class VendorLibrary {
public:
    // Returns the entry point `name` (e.g. "zelGetTime") from the table in use, resolving it
    // on its first use. Raises 53 or 453 as above.
    template <typename Fn> static Fn Entry(Fn VendorTable::*member, const char* name)
    {
        std::lock_guard<std::mutex> lock(Mutex());
        VendorTable& table = CurrentTable();
        if (table.*member == nullptr) {
            void* symbol = Lookup(name);
            Fn fn = nullptr;
            static_assert(sizeof fn == sizeof symbol);
            std::memcpy(&fn, &symbol, sizeof fn);
            table.*member = fn;
        }
        return table.*member;
    }

    // Replaces the table with `table` (copied; null entries then raise 453) until
    // ClearOverride. Meant for tests: a scripted fake in place of the clock library.
    static void SetOverride(const VendorTable& table);
    static void ClearOverride();
    static bool HasOverride();

    // Forgets the loaded library and every resolved entry point, so the next call loads
    // again (and reads ZEL_VENDOR_LIBRARY again). For tests.
    static void Unload();

    // The file the library was loaded from, or empty when it is not loaded.
    static std::string LoadedPath();

private:
    static std::mutex& Mutex();
    static VendorTable& CurrentTable();
    // Loads the library when needed and looks `name` up; raises 53 or 453.
    static void* Lookup(const char* name);
};

// Calls the entry point `fn` of the clock library with the given arguments.
#define ZEL_VENDOR_CALL(fn, ...)                                                                                       \
    (::zel::support::VendorLibrary::Entry(&::zel::support::VendorTable::fn, #fn)(__VA_ARGS__))

} // namespace zel::support
