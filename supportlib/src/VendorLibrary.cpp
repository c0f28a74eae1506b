#include "zel/support/VendorLibrary.h"

#include "zel/Error.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace zel::support {
namespace {

constexpr const char* kLibraryFile = "libzeldll32.so";
constexpr const char* kErrorSource = "ZelSupportLib";

struct State {
    VendorTable loaded;   // entry points resolved from the library
    VendorTable override; // a table installed by tests
    bool hasOverride = false;
    void* handle = nullptr;
    std::string path;
};

State& GetState()
{
    static State state;
    return state;
}

[[noreturn]] void RaiseFileNotFound()
{
    throw zel::Error(zel::errc::FileNotFound, kErrorSource, "File not found: zeldll32");
}

void* TryOpen(const std::string& file)
{
    return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

std::string ProgramFolder()
{
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

void Load(State& state)
{
    if (const char* named = std::getenv("ZEL_VENDOR_LIBRARY"); named != nullptr && *named != '\0') {
        state.handle = TryOpen(named);
        if (state.handle == nullptr)
            RaiseFileNotFound();
        state.path = named;
        return;
    }
    state.handle = TryOpen(kLibraryFile);
    if (state.handle != nullptr) {
        state.path = kLibraryFile;
        return;
    }
    if (auto folder = ProgramFolder(); !folder.empty()) {
        auto file = folder + "/" + kLibraryFile;
        state.handle = TryOpen(file);
        if (state.handle != nullptr) {
            state.path = file;
            return;
        }
    }
    RaiseFileNotFound();
}

} // namespace

std::mutex& VendorLibrary::Mutex()
{
    static std::mutex mutex;
    return mutex;
}

VendorTable& VendorLibrary::CurrentTable()
{
    auto& state = GetState();
    return state.hasOverride ? state.override : state.loaded;
}

void* VendorLibrary::Lookup(const char* name)
{
    auto& state = GetState();
    void* symbol = nullptr;
    if (!state.hasOverride) {
        if (state.handle == nullptr)
            Load(state);
        symbol = dlsym(state.handle, name);
    }
    if (symbol == nullptr)
        throw zel::Error(zel::errc::EntryPointNotFound, kErrorSource,
                         std::string("Can't find DLL entry point ") + name + " in zeldll32");
    return symbol;
}

void VendorLibrary::SetOverride(const VendorTable& table)
{
    std::lock_guard<std::mutex> lock(Mutex());
    auto& state = GetState();
    state.override = table;
    state.hasOverride = true;
}

void VendorLibrary::ClearOverride()
{
    std::lock_guard<std::mutex> lock(Mutex());
    auto& state = GetState();
    state.override = VendorTable{};
    state.hasOverride = false;
}

bool VendorLibrary::HasOverride()
{
    std::lock_guard<std::mutex> lock(Mutex());
    return GetState().hasOverride;
}

void VendorLibrary::Unload()
{
    std::lock_guard<std::mutex> lock(Mutex());
    auto& state = GetState();
    state.loaded = VendorTable{};
    if (state.handle != nullptr)
        dlclose(state.handle);
    state.handle = nullptr;
    state.path.clear();
}

std::string VendorLibrary::LoadedPath()
{
    std::lock_guard<std::mutex> lock(Mutex());
    return GetState().path;
}

} // namespace zel::support
