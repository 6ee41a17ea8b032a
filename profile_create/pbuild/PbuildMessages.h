#pragma once

// Numbered texts of the profile creator's language library (pbuild_lang.so).

// Errors shown through an error code: codes 0 to 54 show text code + 102.
inline constexpr unsigned kIdsErrorBase = 102;
inline constexpr int kErrorCodeMax = 54;

inline constexpr unsigned kIdsNoDataSourceChosen = 119;
inline constexpr unsigned kIdsNoLogin = 120;
inline constexpr unsigned kIdsStatusProgress = 121;
inline constexpr unsigned kIdsStatusTable = 122;
inline constexpr unsigned kIdsStatusColumn = 123;
inline constexpr unsigned kIdsDoneHead = 124;
inline constexpr unsigned kIdsDoneTail = 126;
inline constexpr unsigned kIdsNoRows = 130;
inline constexpr unsigned kIdsAllocConnectFailed = 131;
inline constexpr unsigned kIdsConnectFailedHead = 132;
inline constexpr unsigned kIdsConnectFailedTail = 133;
// The two questions of the folder preparation, each a text before and after a folder.
inline constexpr unsigned kIdsCreateBaseHead = 137;
inline constexpr unsigned kIdsCreateBaseTail = 138;
inline constexpr unsigned kIdsReplaceHead = 140;
inline constexpr unsigned kIdsReplaceTail = 141;
inline constexpr unsigned kIdsDataSourceCount = 144;
inline constexpr unsigned kIdsFolderFailed = 148;
inline constexpr unsigned kIdsConnecting = 153;

// The diagnostics routine: record labels and the notices per return code.
inline constexpr unsigned kIdsDiagStateLabel = 112;
inline constexpr unsigned kIdsDiagNativeLabel = 113;
inline constexpr unsigned kIdsDiagMessageLabel = 114;
inline constexpr unsigned kIdsDiagWithInfo = 115;
inline constexpr unsigned kIdsDiagNoData = 116;
inline constexpr unsigned kIdsDiagError = 117;
inline constexpr unsigned kIdsDiagInvalidHandle = 118;
inline constexpr unsigned kIdsDiagRollbackFailed = 125;
inline constexpr unsigned kIdsDiagUnexpected = 127;
inline constexpr unsigned kIdsDiagExiting = 128;
inline constexpr unsigned kIdsReadingDataSources = 129;

// Texts of this platform (lang/pbuild_strings_more.inc).
inline constexpr unsigned kIdsSkippedLongNames = 1000;
inline constexpr unsigned kIdsSkippedCp932Names = 1001;
inline constexpr unsigned kIdsSkippedUnquotableNames = 1002;
inline constexpr unsigned kIdsDataSourceNameTooLong = 1003;
inline constexpr unsigned kIdsDataSourceNameUnusable = 1004;
inline constexpr unsigned kIdsLoginTooLong = 1005;
inline constexpr unsigned kIdsValueTooLarge = 1006;
inline constexpr unsigned kIdsOutputExists = 1007;
inline constexpr unsigned kIdsBatchUsage = 1008;

// The creator on every real database, concurrent runs (lang/pbuild_strings_creator.inc).
// Lists shown at the end of a run: what it left out, each with its reason.
inline constexpr unsigned kIdsSkippedTables = 1100;
inline constexpr unsigned kIdsColumnsWithoutSample = 1101;
inline constexpr unsigned kIdsTablesOverLimit = 1102;
inline constexpr unsigned kIdsSameNameTables = 1103;
inline constexpr unsigned kIdsReferencesOverLimit = 1104;
// Refusals before anything is written.
inline constexpr unsigned kIdsFolderBusy = 1105;
inline constexpr unsigned kIdsPasswordBlanks = 1106;
inline constexpr unsigned kIdsPasswordFile = 1107;
inline constexpr unsigned kIdsSchemaEmpty = 1108;
inline constexpr unsigned kIdsSchemasWithTables = 1109;
// Reasons of the creator's own, and the tail of a shortened list.
inline constexpr unsigned kIdsReasonNotCp932 = 1110;
inline constexpr unsigned kIdsListMore = 1111;

// Error codes of a run (shown as text code + 102).
namespace PbuildError {
inline constexpr int kFileCreate = 2;
inline constexpr int kWrite = 4;
inline constexpr int kDelete = 6;
inline constexpr int kMakeFolder = 7;
inline constexpr int kRemoveFolder = 8;
inline constexpr int kRename = 9;
inline constexpr int kBadBaseFolder = 47;
inline constexpr int kMarkerImages = 50;
inline constexpr int kConnect = 52;
inline constexpr int kDisconnect = 53;
// Not a code of the error routine: the run ended with a message already shown.
inline constexpr int kShown = -2;
}  // namespace PbuildError
