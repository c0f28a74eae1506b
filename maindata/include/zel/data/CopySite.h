#pragma once

namespace zel::data {

class IStore;

// Copies every row of the site `from` into the empty site `to` (the tables Channels, Readers,
// Users and, where `from` has it, Events), in one transaction of `to`: each row keeps its ID,
// every value (hand templates byte for byte) is written as it was read, and `to` hands out only
// IDs above those `from` has handed out. The row counts of `to` are checked against those read.
// Works between any two stores (file to server, server to file, file to file).
// Errors: 3027 `to` is read-only; 58 `to` holds rows already; the stores' errors otherwise.
// A failed copy writes nothing into `to`.
void CopySite(IStore& from, IStore& to);

} // namespace zel::data
