#pragma once

#include "zel/Error.h"

#include <string>

namespace zel::data {

// The process that has a site database open for writing, as it wrote itself into the lock file
// beside the database ("zel.mdb.lock"); for a writer that reached the file through another name
// (a hard link elsewhere), as the kernel names it, without Since. Pid 0: the lock is held but the
// holder did not say who it is (it was starting, or the lock file could not be written).
struct SiteWriter {
    long Pid = 0;
    std::string Host;
    std::string Program;
    std::string Since; // local time, "2024-05-01 10:32:05 +0200"

    // "ZelMaintenance, process 1234 on host pc1, since 2024-05-01 10:32:05 +0200"
    std::string ToString() const;
};

// A row of the site database that the lists cannot load. The error's number is that of the
// broken rule, as before: 94 a Null where none is allowed, 6 a value out of range, 13 a value
// that is no number (or an unknown channel type), 457 a key that another row holds already,
// 3265 a column the table lacks. The description names all of the fields below.
class SiteLoadError : public zel::Error {
public:
    SiteLoadError(long number, std::string fileName, std::string table, std::string rowID, std::string column,
                  std::string rule);

    const std::string& FileName() const noexcept { return mFileName; }
    const std::string& Table() const noexcept { return mTable; }
    // The row's ID as the file holds it (its text; "?" when the table has no ID column).
    const std::string& RowID() const noexcept { return mRowID; }
    const std::string& Column() const noexcept { return mColumn; }
    // What is wrong with the value, in words.
    const std::string& Rule() const noexcept { return mRule; }

private:
    std::string mFileName;
    std::string mTable;
    std::string mRowID;
    std::string mColumn;
    std::string mRule;
};

// The site database cannot be opened for writing. Numbers: 3045 another process has it open
// for writing (Writer() says which); 70 the file, its folder or the file system is read-only
// for this user. Nothing is kept of the attempt: the caller may open the file read-only.
class SiteWriteAccessError : public zel::Error {
public:
    enum class Reason {
        InUse,          // another process holds the writer lock
        FileReadOnly,   // the file cannot be written by this user
        FolderReadOnly, // its folder cannot be written (the engine makes its journal files there)
    };

    SiteWriteAccessError(Reason reason, std::string fileName, SiteWriter writer, std::string detail);

    Reason Why() const noexcept { return mReason; }
    const std::string& FileName() const noexcept { return mFileName; }
    // The holder of the writer lock; meaningful for Reason::InUse only.
    const SiteWriter& Writer() const noexcept { return mWriter; }
    // Why the file cannot be written, in words ("it is open for writing in ...", "the file is
    // read-only for this user", ...): the reason a read-only open reports too.
    const std::string& Detail() const noexcept { return mDetail; }

private:
    Reason mReason;
    std::string mFileName;
    SiteWriter mWriter;
    std::string mDetail;
};

} // namespace zel::data
