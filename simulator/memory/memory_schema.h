// The tables of the fiscal memory file (described in docs/simulator.md).
#pragma once

namespace sim::schema {

// Marks a SQLite file as a fiscal memory (PRAGMA application_id: "FISC").
inline constexpr int kApplicationId = 0x46495343;
// Version of the tables below (PRAGMA user_version). Version 2 added the
// printer's clock (table clock); a file of version 1 is taken up by adding it
// (kFromVersion1), any other version is refused.
inline constexpr int kVersion = 2;
inline constexpr int kOldestTakenUp = 1;

// Creates the tables of version 1 in an empty file; kFromVersion1 then brings
// it to the current version, as it does an older file.
extern const char* const kCreate;

// Brings a file of version 1 to version 2, in the transaction that runs it.
extern const char* const kFromVersion1;

}  // namespace sim::schema
