#pragma once

#include <memory>
#include <string>
#include <sys/types.h>

namespace zel::data::detail {

// A site database file as this process holds it open beside the engine: one read-only descriptor
// per file (by device and inode, whatever name led to it), shared by every connection of the
// process to that file and by its writer lock, which is taken on this descriptor.
//
// Why one descriptor: the engine's locks are POSIX record locks, which the kernel drops for the
// whole process as soon as any descriptor of the file is closed, also one the engine never used.
// So this process opens the file itself only through here, and closes that descriptor only when
// the last holder goes: every connection holds its SiteFile from before its engine handle is opened
// until after it is closed, so no connection of the process still has the file open then.
//
// Every Open gives a SiteFile of its own; the descriptor behind them is shared.
//
// How it fails: Open raises 53 (no such file), 75 (not a regular file, or it cannot be opened) or
// 70 (this user may not read it), as the open of a site database reports them.
class SiteFile {
public:
    static std::shared_ptr<SiteFile> Open(const std::string& filename);

    ~SiteFile();
    SiteFile(const SiteFile&) = delete;
    SiteFile& operator=(const SiteFile&) = delete;

    int Descriptor() const noexcept { return mFd; }
    dev_t Device() const noexcept { return mDevice; }
    ino_t Inode() const noexcept { return mInode; }

private:
    SiteFile(int fd, dev_t device, ino_t inode) : mFd(fd), mDevice(device), mInode(inode) {}

    int mFd;
    dev_t mDevice;
    ino_t mInode;
};

} // namespace zel::data::detail
