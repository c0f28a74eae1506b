#pragma once

#include "zel/Error.h"

namespace zel::data {

// The source name of every error that the site database library raises itself.
inline constexpr const char* ErrorSource = "ZelMainData";

// The default name of the site database file.
inline constexpr const char* DefaultDatabaseFileName = "zel.mdb";

// Error numbers of the site database library. The runtime numbers of zel::errc (5, 6, 9, 13,
// 53, 94, 457) are reachable through this namespace too.
namespace errc {
using namespace zel::errc;
inline constexpr long FileAlreadyExists = 58;            // CreateDatabase on an existing file
inline constexpr long PermissionDenied = 70;             // the file cannot be opened for writing
inline constexpr long PathFileAccessError = 75;          // the file cannot be created or read
inline constexpr long ObjectNotSet = 91;                 // a row written before OpenDatabase
inline constexpr long NoCurrentRecord = 3021;            // a channel row that vanished from the file
inline constexpr long ReadOnlyDatabase = 3027;           // a write on a site database opened read-only
inline constexpr long DatabaseInUse = 3045;              // another process has the file open for writing
inline constexpr long RowChangedByAnother = 3197;        // the row was changed or removed since it was read
inline constexpr long ItemNotFound = 3265;               // a column missing from a table
inline constexpr long UnrecognizedDatabaseFormat = 3343; // not a site database (Jet file, other file)
inline constexpr long ObjectClosed = 3704;               // the connection is closed or was never opened
inline constexpr long StoreError = -2147467259;          // any other failure of the database engine
} // namespace errc

} // namespace zel::data
