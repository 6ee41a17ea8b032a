#pragma once

// Messages about library files, shared by the pages and k7q.
inline constexpr unsigned kIdsStatementLibraryMissing = 62341;
inline constexpr unsigned kIdsVariableLibraryMissing = 62342;
inline constexpr unsigned kIdsFunctionLibraryMissing = 62343;
// Lines passed over as unreadable (too long, not CP932); the count follows.
inline constexpr unsigned kIdsLibraryLinesSkipped = 63700;
// k7q: no library file at the path given; no function of the number given.
inline constexpr unsigned kIdsLibraryFileMissing = 63701;
inline constexpr unsigned kIdsLibraryNoSuchFunction = 63702;
