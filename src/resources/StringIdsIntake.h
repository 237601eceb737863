#pragma once

namespace qar::str
{

// Ids of bulk import, export and the data check. The import tool and the data check have no numbers of
// the platform's own: their texts live from 30000 on, far from every form's range.

// The file as a whole.
inline constexpr int kIntakeFileUnreadable = 30001;
inline constexpr int kIntakeFileTooLarge = 30002;
inline constexpr int kIntakeNotSpreadsheet = 30003;
inline constexpr int kIntakeOldExcel = 30004;
inline constexpr int kIntakeUtf16 = 30005;
inline constexpr int kIntakeOpenQuote = 30006;
inline constexpr int kIntakeTooManyRows = 30007;
inline constexpr int kIntakeDamagedWorkbook = 30008;
inline constexpr int kIntakeUnknownSheet = 30009;
inline constexpr int kIntakeMissingColumn = 30010;
inline constexpr int kIntakeEmptySheet = 30011;
inline constexpr int kIntakeNoDefaultGroup = 30012;

// One row.
inline constexpr int kRowBadEncoding = 30020;
inline constexpr int kRowByteOrderMark = 30021;
inline constexpr int kRowTooManyCells = 30022;
inline constexpr int kRowNotNumber = 30023;
inline constexpr int kRowParentMissing = 30024;
inline constexpr int kRowParentBelow = 30025;
inline constexpr int kRowLevelMismatch = 30026;
inline constexpr int kRowUnitMissing = 30027;
inline constexpr int kRowGroupMismatch = 30028;
inline constexpr int kRowRoleMissing = 30029;
inline constexpr int kRowStatusRange = 30030;
inline constexpr int kRowGroupNotAllowed = 30031;
inline constexpr int kRowMoveWithContent = 30032;
inline constexpr int kRowTextTooLong = 30033;
inline constexpr int kRowValueRange = 30034;
inline constexpr int kRowExistsStop = 30035;

// The outcome.
inline constexpr int kIntakeSummary = 30040;
inline constexpr int kIntakeStopped = 30041;
inline constexpr int kIntakeDone = 30042;
inline constexpr int kIntakeRolledBack = 30043;
inline constexpr int kIntakeCancelled = 30044;
inline constexpr int kIntakeServerNotified = 30045;
inline constexpr int kIntakeServerAway = 30046;
inline constexpr int kIntakeNothingToImport = 30047;
inline constexpr int kIntakeExported = 30048;
inline constexpr int kIntakeExportFailed = 30049;
inline constexpr int kIntakeReportLine = 30050;
inline constexpr int kIntakeReportFileLine = 30051;
inline constexpr int kIntakeExportNameMismatch = 30052;
inline constexpr int kIntakeReadFailed = 30055;
inline constexpr int kIntakeNotWritten = 30056;

// The data check.
inline constexpr int kCheckParentMissing = 30060;
inline constexpr int kCheckCycle = 30061;
inline constexpr int kCheckLevelZero = 30062;
inline constexpr int kCheckLevelMismatch = 30063;
inline constexpr int kCheckGroupMissing = 30064;
inline constexpr int kCheckUnitMissing = 30065;
inline constexpr int kCheckDuplicateUnitId = 30066;
inline constexpr int kCheckDuplicateUserId = 30067;
inline constexpr int kCheckDuplicateEmail = 30068;
inline constexpr int kCheckDuplicateMobile = 30069;
inline constexpr int kCheckBelowHidden = 30070;
inline constexpr int kCheckUnitHidden = 30071;
inline constexpr int kCheckClean = 30072;
inline constexpr int kCheckSummary = 30073;
inline constexpr int kCheckUnitWord = 30074;
inline constexpr int kCheckUserWord = 30075;
inline constexpr int kCheckRuleHeading = 30076;
inline constexpr int kCheckRuleValue = 30077;
inline constexpr int kCheckRuleLength = 30078;
inline constexpr int kCheckSignOnOrphan = 30079;
inline constexpr int kCheckVirtualUnitsOrphan = 30080;

// The import tool's window.
inline constexpr int kIntakeTitle = 30100;
inline constexpr int kIntakeImportBox = 30101;
inline constexpr int kIntakeFileLabel = 30102;
inline constexpr int kIntakeBrowse = 30103;
inline constexpr int kIntakeEncodingLabel = 30104;
inline constexpr int kIntakeEncodingDetect = 30105;
inline constexpr int kIntakeExistingLabel = 30106;
inline constexpr int kIntakeExistingStop = 30107;
inline constexpr int kIntakeExistingSkip = 30108;
inline constexpr int kIntakeExistingUpdate = 30109;
inline constexpr int kIntakeGroupLabel = 30110;
/// The export's group list, with an Alt key other than the import's.
inline constexpr int kIntakeExportGroupLabel = 30180;
inline constexpr int kIntakeMappingLabel = 30111;
inline constexpr int kIntakeMappingSheet = 30112;
inline constexpr int kIntakeMappingColumn = 30113;
inline constexpr int kIntakeMappingField = 30114;
inline constexpr int kIntakeDryRunLabel = 30115;
inline constexpr int kIntakeFilterLabel = 30116;
inline constexpr int kIntakeReportSource = 30117;
inline constexpr int kIntakeReportLineHeader = 30118;
inline constexpr int kIntakeReportColumn = 30119;
inline constexpr int kIntakeReportProblem = 30120;
inline constexpr int kIntakeCheckAgain = 30121;
inline constexpr int kIntakeImport = 30122;
inline constexpr int kIntakeExportBox = 30123;
inline constexpr int kIntakeExportWhat = 30124;
inline constexpr int kIntakeExportUnits = 30125;
inline constexpr int kIntakeExportUsers = 30126;
inline constexpr int kIntakeExportBoth = 30127;
inline constexpr int kIntakeExportButton = 30128;
inline constexpr int kIntakeClose = 30129;
inline constexpr int kIntakePickCaption = 30130;
inline constexpr int kIntakePickFilter = 30131;
inline constexpr int kIntakeSaveCaption = 30132;
inline constexpr int kIntakeCsvFilter = 30133;
inline constexpr int kIntakeXlsxFilter = 30134;
inline constexpr int kIntakeNotImported = 30135;
inline constexpr int kIntakeConfirm = 30136;
inline constexpr int kIntakeConfirmRefused = 30137;
inline constexpr int kIntakeCannotApply = 30138;
inline constexpr int kIntakeCsvOneKind = 30139;
inline constexpr int kIntakeWithPasswords = 30140;
inline constexpr int kIntakePasswordsNote = 30141;

// The data check on the units-and-users page.
inline constexpr int kCheckDataButton = 30200;
inline constexpr int kCheckDataTitle = 30201;
inline constexpr int kCheckDataClose = 30202;

} // namespace qar::str
