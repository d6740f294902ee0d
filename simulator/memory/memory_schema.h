// The tables of the fiscal memory file (described in docs/simulator.md).
#pragma once

namespace sim::schema {

// Marks a SQLite file as a fiscal memory (PRAGMA application_id: "FISC").
inline constexpr int kApplicationId = 0x46495343;
// Version of the tables below (PRAGMA user_version).
inline constexpr int kVersion = 1;

// Creates every table of an empty file.
extern const char* const kCreate;

}  // namespace sim::schema
