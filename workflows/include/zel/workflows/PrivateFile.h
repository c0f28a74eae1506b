#pragma once
// A file of people's data written for its owner's eyes only.
#include <iosfwd>
#include <memory>
#include <string>

namespace zel::workflows {

// A file that holds people's names, IDs, punches or hand templates (exports, clock backups): it
// is written under a new name beside its target, made with mode 0600 (read and write for its
// owner only, whatever the umask), and Commit renames it into place in one step, so the target is
// either the file that was there before or the whole new one, never a part. A target that exists
// and is not a regular file (a terminal, a pipe, /dev/stdout) is written in place instead.
//
// Holds the open file and its stream. How it fails: the constructor and Commit raise zel::Error
// 75 "cannot write 'PATH': REASON" when the file cannot be made, written, synced or renamed; an
// error on the stream itself shows at Commit. A file never committed (an error on the way) is
// removed when the object goes, and the target stays as it was.
class PrivateFile {
public:
    explicit PrivateFile(std::string path);
    ~PrivateFile();
    PrivateFile(const PrivateFile&) = delete;
    PrivateFile& operator=(const PrivateFile&) = delete;

    std::ostream& Stream();
    // Writes what is buffered, syncs it to the disk and puts the file in place. Once only.
    void Commit();
    const std::string& Path() const { return mPath; }

private:
    class Buffer;
    [[noreturn]] void Fail(int error) const;

    std::string mPath;
    std::string mTemporary; // empty: written in place
    std::unique_ptr<Buffer> mBuffer;
    std::unique_ptr<std::ostream> mStream;
    bool mCommitted = false;
};

} // namespace zel::workflows
