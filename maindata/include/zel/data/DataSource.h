#pragma once

#include <memory>
#include <string>

namespace zel::data {

class IStore;
class UserDescriptionList;
class ReaderDescriptionList;
class ChannelDescriptionList;

// How a site database is opened.
enum class OpenMode {
    ReadWrite, // the one writer of the file (see OpenDatabase)
    ReadOnly,  // the lists load and show; every write is refused with error 3027
    // Appends events beside the site's writer (the nightly collection while a program is left
    // open): takes no writer lock and is not refused while another process writes; the lists load
    // and show, and every write of them is refused with error 3027 (IsReadOnly is true); appends
    // to the Events table are taken. The file or its folder read-only: error 70, as ReadWrite.
    Append,
};

// The entry object of the site database. It has no state of its own: every DataSource of a thread
// works on that thread's one connection and its one list each of users, clocks and channels.
class DataSource {
public:
    DataSource() = default;

    // Opens the site database `filename`: a file path, or the connection URI of a PostgreSQL
    // database ("postgresql://..." or "postgres://...", see SiteName.h) made by CreateDatabase.
    // On a server several programs write at once (no writer lock): a row that another one changed
    // or removed since it was read is refused at Save with error 3197; a server that cannot be
    // reached fails with an error that names it (never its password).
    // The first call of a thread creates the connection;
    // every later call has no effect (also after a failed open or a close), with one exception:
    // a file that cannot be opened for writing (SiteWriteAccessError) leaves no connection, so
    // that the caller may open it read-only instead.
    // Never creates a file. Errors: 53 the file does not exist; 3343 a Microsoft Access (Jet) file
    // or any other file that is not a site database; SiteWriteAccessError 3045 another process
    // has it open for writing (which, on which host, since when), 70 the file or its folder is
    // read-only for this user; 3704/engine errors otherwise.
    // One writer per file: read-write, the process takes the file's writer lock (a kernel lock on
    // the file itself, whatever name leads to it, released also when the process dies) until its
    // last connection closes.
    // An older file is brought up to date by its first read-write open, once: it gains its unique
    // key indexes and NOT NULL constraints (when its rows allow it; else at a later open, once
    // they do), the Events table and its newer columns. Opened to append, it gains what appending
    // needs; opened read-only, nothing.
    // Every write is in the file itself when it returns: a plain copy of the file is a backup,
    // also while it is open, and a crash loses nothing that was saved.
    void OpenDatabase(const std::string& filename, OpenMode mode = OpenMode::ReadWrite);
    // Closes the connection if the thread has one; error 3704 when it is not open.
    void CloseDatabase();
    // Closes the thread's connection when it is open (as CloseDatabase does: a writer folds its
    // write-ahead log into the file and gives the writer lock up), then forgets it and the thread's
    // three lists, so that the next OpenDatabase opens a site anew (another one, or the same one
    // again) and the next list requests load its lists. Lists handed out before stay as they are,
    // no longer the thread's. Nothing happens when the thread has no connection. An error of the
    // close reaches the caller; the connection and lists are forgotten all the same.
    void ReleaseDatabase();
    // The thread's connection, or nullptr before the first OpenDatabase.
    std::shared_ptr<IStore> GetConnection() const;

    // True when the thread's connection is open read-only (or to append: its lists are read-only);
    // ReadOnlyReason says why ("it is open for writing in another program: ...", "the file is
    // read-only for this user", "it was opened to append events only", ...).
    bool IsReadOnly() const;
    std::string ReadOnlyReason() const;

    // Writes a consistent copy of the open site database to `destination` (a new file, mode
    // 0600), also while it is in use. An existing file is refused with error 58 unless `replace`
    // is true. Errors: 91 before OpenDatabase, 3704 when the connection is not open.
    void BackupDatabase(const std::string& destination, bool replace = false);

    // The thread's lists: created and loaded at the first call, the same object afterwards.
    // A failed load stores nothing, so a later call tries again. A row that breaks the load
    // rules fails with SiteLoadError, which names the file, table, row ID, column and rule.
    std::shared_ptr<UserDescriptionList> GetUserDescriptionList();
    std::shared_ptr<ReaderDescriptionList> GetReaderDescriptionList();
    std::shared_ptr<ChannelDescriptionList> GetChannelDescriptionList();

    // Makes a new, empty site database `filename` with the tables Users, Readers and Channels,
    // readable and writable by its owner only. Refuses an existing file (error 58). For a
    // PostgreSQL URI: makes the tables in that (empty) database; refuses one that holds any of
    // them (error 58).
    static void CreateDatabase(const std::string& filename);

    // Takes the changes that other programs saved to the site since the last call (a site on a
    // server; a file has none) into the thread's loaded lists, as their own events: a new row
    // joins its list (ItemAdded, then ListChanged), a changed row's entry shows the row's values
    // (ListItemChanged), a removed row's entry leaves its list (ItemRemoved, then ListChanged).
    // An entry with changes of this program not saved yet is left as it is: its Save then reports
    // the conflict (error 3197). Never waits; call it when the connection's ChangeDescriptor
    // becomes readable, and after other work. Returns how many changes were taken in; the first
    // error of a row (a row that breaks the load rules) is raised once the others are in.
    int ApplyStoredChanges();
};

} // namespace zel::data
