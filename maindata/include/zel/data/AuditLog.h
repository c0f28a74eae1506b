#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zel::data {

class IStore;

// One row of the site's audit trail: who did what, from where, to which clock and users, and how
// it ended. A hand template is never part of a row.
struct AuditEntry {
    std::int64_t ID = 0;       // the row ID (0 before it is stored)
    std::int64_t Sequence = 0; // its place in the chain: 1 for the first row, one more for each
    std::string Time;          // UTC, ISO 8601: "2026-12-08T08:48:50Z"
    std::string OsUser;        // the operating-system user
    std::string Host;          // this machine's host name
    std::string Program;       // "ZelMaintenance", "zelctl"
    std::string Version;       // the program's version, "1.0.0"
    std::string Action;        // a stable word: "send", "user-add", "time-set"...
    std::int32_t ClockID = 0;  // Readers.ID of the clock concerned (0: no clock)
    std::string ClockName;
    std::vector<std::string> UserIDs; // the users concerned
    std::string Outcome;              // what happened to the clock ("done", "not answering"...)
    std::string Detail;               // a short sentence
    std::string PreviousHash;         // the hash of the row before it (64 zeros for the first)
    std::string Hash;                 // SHA-256 over this row's content and PreviousHash, hex
};

// Which rows a list or a count covers. Empty fields do not filter.
struct AuditFilter {
    std::string Since;  // from (inclusive): "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]" or ISO 8601 UTC
    std::string Until;  // up to (inclusive; a date alone means the whole day)
    std::string UserID; // rows that name this user
    std::string Clock;  // rows of this clock: its name (any letter case) or its ID
    std::string Action; // exactly this action word
};

// What a walk of the chain found: intact, or the first row that breaks it.
struct AuditVerdict {
    enum class Kind {
        Intact,
        Changed,  // the row's content no longer gives its hash
        Removed,  // rows before this one are missing (MissingFrom..MissingTo of the sequence)
        Inserted, // the row does not belong to the chain: the rows around it chain past it
    };
    Kind What = Kind::Intact;
    std::int64_t RowsChecked = 0;
    std::int64_t RowID = 0; // the first row at fault (the row after the gap, for Removed)
    std::int64_t Sequence = 0;
    std::int64_t MissingFrom = 0, MissingTo = 0;

    bool Intact() const { return What == Kind::Intact; }
    // "The audit trail is intact (12 rows)." or "Row 7 (sequence 7) was changed: its content does
    // not match its hash." and the like.
    std::string Text() const;
};

// The AuditLog table of the thread's site database: an append-only, hash-chained trail of every
// action on the site and its clocks.
//
// Holds the thread's connection (see DataSource). The table is made when a site is opened for
// writing or appending; on a read-only site that lacks it, lists are empty and the chain is intact.
// Rows are only ever appended: the library offers no way to change or remove one, and on a server
// the table refuses UPDATE and DELETE. Appends are serialized (one transaction reads the last row
// and chains the new ones to it), also between programs.
//
// How it fails: raises zel::Error as the rest of the site database does: 91 when the thread has
// no site open, 3704 when it is closed, 3027 (with the reason) for an append on a read-only site,
// 13 for a filter time that is not a time, engine errors otherwise. A failed Append stores none of
// its rows.
class AuditLog {
public:
    // The log of the calling thread's site database connection.
    AuditLog();
    explicit AuditLog(std::shared_ptr<IStore> store);

    // Raises 3027 when the site takes no rows (opened read-only).
    void CheckWritable() const;

    // Stamps (see Stamp) and appends the rows in one transaction, joining the caller's transaction
    // when there is one; returns them as stored (ID, Sequence, hashes).
    std::vector<AuditEntry> Append(std::vector<AuditEntry> entries);

    std::int64_t Count(const AuditFilter& filter) const;
    // Newest first: the `limit` rows below row ID `beforeID` (from the newest when 0).
    std::vector<AuditEntry> Page(const AuditFilter& filter, std::int64_t beforeID, int limit) const;
    // Every row the filter covers, newest first, without holding them all at once.
    void ForEach(const AuditFilter& filter, const std::function<void(const AuditEntry&)>& onRow) const;

    // Walks the whole chain, oldest first, and names the first row that breaks it. `progress`
    // (optional) is told the rows checked now and then.
    AuditVerdict Verify(const std::function<void(std::int64_t)>& progress = {}) const;

    // Fills what the caller left empty: Time (now), OsUser, Host, Program (this process's name)
    // and Version (this library's).
    static void Stamp(AuditEntry& entry);
    // The SHA-256 of the row's content and PreviousHash, hex.
    static std::string HashOf(const AuditEntry& entry);
    // A filter time in the stored form ("2026-12-08T10:00:00Z"); a date alone is its first
    // (`until` false) or last second. Error 13 when the text is not a time.
    static std::string NormalTime(const std::string& text, bool until);

private:
    std::shared_ptr<IStore> mStore;
};

} // namespace zel::data
