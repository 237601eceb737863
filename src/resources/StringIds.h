#pragma once

namespace qar::str
{

// Numeric ids of the string table. Messages keep the numbers the platform has always used; texts that
// only appear on a form get an id derived from the form's resource number (form * 100 + n), so the
// two ranges never meet.

// Messages shared by every page.
inline constexpr int kStatusEnabled = 153;
inline constexpr int kStatusDisabled = 154;
inline constexpr int kPublicAccountHave = 155;
inline constexpr int kPublicAccountNone = 156;
inline constexpr int kAliasFormat = 157;
inline constexpr int kAliasNull = 158;
inline constexpr int kSelectItemFromList = 159;
inline constexpr int kConfirmDeleteItem = 160;
inline constexpr int kInputCantBeNull = 161;
inline constexpr int kUnableToOpenDb = 162;
inline constexpr int kInvalidId = 163;
inline constexpr int kParentNone = 164;
inline constexpr int kIdMustBeUnique = 165;
inline constexpr int kHasSubNodes = 166;
inline constexpr int kConfirmDeleteItemTree = 167;
inline constexpr int kUserStatusInService = 168;
inline constexpr int kUserStatusVacation = 169;
inline constexpr int kUserStatusDismissed = 170;
inline constexpr int kAddUser = 171;
inline constexpr int kAddDepartment = 172;
inline constexpr int kModifyUser = 173;
inline constexpr int kModifyDepartment = 174;
inline constexpr int kNodeStatusInService = 175;
inline constexpr int kNodeStatusVacation = 176;
inline constexpr int kNodeStatusDismissed = 177;
inline constexpr int kUserIdExists = 178;
inline constexpr int kPasswordsDiffer = 179;
inline constexpr int kIllegalMobile = 180;
inline constexpr int kMobileExists = 181;
inline constexpr int kInvalidEmail = 182;
inline constexpr int kEmailExists = 183;
inline constexpr int kOneRecordAtLeast = 189;
inline constexpr int kGroupZeroReserved = 191;
inline constexpr int kGroupMustBeAssigned = 194;
inline constexpr int kApplicationTypeWrong = 201;
inline constexpr int kEnterpriseCodeExists = 203;
inline constexpr int kGroupNotAssigned = 204;
inline constexpr int kDepartmentNotAssigned = 205;
inline constexpr int kIllegalUserId = 206;
inline constexpr int kNotAssigned = 209;
inline constexpr int kOnlyAdministrator = 212;
inline constexpr int kApplicationIdExists = 213;
inline constexpr int kUserAmountAtLimit = 214;
inline constexpr int kInputUserOrDepartment = 216;
inline constexpr int kNotFoundFormat = 217;
inline constexpr int kIllegalDepartmentId = 221;
inline constexpr int kAddUserUnderDepartment = 223;
inline constexpr int kCannotDeleteGroupHere = 224;
inline constexpr int kFileNotExistIcon = 231;
inline constexpr int kIconFileTooLarge = 232;
inline constexpr int kInvalidIconFile = 233;
inline constexpr int kSignDomainFormat = 234;
inline constexpr int kSetSignDomain = 235;
inline constexpr int kInputContentNull = 236;
inline constexpr int kNotFinished = 238;
inline constexpr int kFileNotExist = 239;
inline constexpr int kColumnUserId = 240;
inline constexpr int kColumnName = 241;
inline constexpr int kColumnGroup = 242;
inline constexpr int kColumnPower = 243;
inline constexpr int kPowerSysAdmin = 244;
inline constexpr int kPowerUserAdmin = 245;
inline constexpr int kPowerNormal = 246;
inline constexpr int kFilterAll = 247;
inline constexpr int kNoGroupEntry = 248;
inline constexpr int kConfirmDeletePrefix = 249;
inline constexpr int kUnitiveAccountLabel = 250;
inline constexpr int kDutyLabel = 251;
inline constexpr int kAccountExists = 252;
inline constexpr int kOperationFailed = 253;
inline constexpr int kItemExists = 260;

// Application-wide texts without a number of their own.
inline constexpr int kAppTitle = 9000;
inline constexpr int kCheckOdbcSettings = 9001;
inline constexpr int kUseOrrinClient = 9002;
/// The first start of a program directory without DB.dat: "%s" the path of the missing file.
inline constexpr int kNoDatabaseSettingsFormat = 9003;
inline constexpr int kOk = 9010;
inline constexpr int kCancel = 9011;
inline constexpr int kYes = 9012;
inline constexpr int kNo = 9013;
/// The form framework's own range checks of numeric fields.
inline constexpr int kEnterInteger = 9020;
inline constexpr int kEnterIntegerRange = 9021;
/// A program, document or text editor the desktop could not start.
inline constexpr int kCannotStartProgram = 9030;
inline constexpr int kCannotOpenDocument = 9031;
inline constexpr int kNoTextEditor = 9032;
/// The progress box of a write that takes a while.
inline constexpr int kSavingChanges = 9040;
/// The button of a message box that shows or hides the cause of a failure.
inline constexpr int kShowDetails = 9041;
inline constexpr int kHideDetails = 9042;
/// Escape in a form whose fields were changed.
inline constexpr int kDiscardTypedChanges = 9050;
/// The status line after a change on a list page: "%s" the kind of entry (kItemApplication ...), "%d" its
/// number.
inline constexpr int kStatusItemAdded = 9051;
inline constexpr int kStatusItemSaved = 9052;
inline constexpr int kStatusItemDeleted = 9053;
inline constexpr int kStatusItemUnchanged = 9054;
inline constexpr int kItemApplication = 9055;
inline constexpr int kItemRole = 9056;
inline constexpr int kItemWebsite = 9057;
inline constexpr int kItemMessageType = 9058;
inline constexpr int kItemGroup = 9059;
/// Accessible name of the main window's side bar.
inline constexpr int kSideBarName = 9060;
/// Why a file could not be written, for the system errors an administrator can act on; any other error
/// is told in the system's own words.
inline constexpr int kFileCauseNoFolder = 9070;
inline constexpr int kFileCauseNotWritable = 9071;
inline constexpr int kFileCauseDiskFull = 9072;
inline constexpr int kFileCauseDiskFailed = 9073;

// About box (form 100).
inline constexpr int kAboutTitle = 10001;
inline constexpr int kAboutVersion = 10002;

// Main window (form 102).
inline constexpr int kMainTitle = 10200;
inline constexpr int kButtonConfiguration = 10201;
inline constexpr int kButtonOption = 10202;
inline constexpr int kButtonName = 10203;
inline constexpr int kButtonStartService = 10204;
inline constexpr int kButtonHelp = 10205;
inline constexpr int kNoticeAdministratorsOnly = 10206;
inline constexpr int kMenuAbout = 10207;
inline constexpr int kSideGroups = 10210;
inline constexpr int kSideRoles = 10211;
inline constexpr int kSideDeptsUsers = 10212;
inline constexpr int kSideApplications = 10213;
inline constexpr int kSideWebsites = 10214;
inline constexpr int kSideMessageExtend = 10215;
inline constexpr int kNoticeForbiddenFormat = 10220;
/// Status line: "%s" the data source, then the database product or "not connected".
inline constexpr int kStatusDataSourceFormat = 10230;
inline constexpr int kStatusNotConnected = 10231;
inline constexpr int kStatusServerRunning = 10232;
inline constexpr int kStatusServerStopped = 10233;
inline constexpr int kStatusServerElsewhere = 10234;

// Units and users page (form 129), unit form (135), unit attribute form (136), search form (137).
inline constexpr int kOrgPageLabel = 12901;
inline constexpr int kOrgAddUnit = 12902;
inline constexpr int kOrgAddUser = 12903;
inline constexpr int kOrgEdit = 12904;
inline constexpr int kOrgDelete = 12905;
inline constexpr int kOrgImportExport = 12906;
inline constexpr int kOrgRefresh = 12907;
inline constexpr int kOrgMenuAddUnit = 12910;
inline constexpr int kOrgMenuAddUser = 12911;
inline constexpr int kOrgMenuEdit = 12912;
inline constexpr int kOrgMenuDelete = 12913;
inline constexpr int kOrgMenuSearch = 12914;
inline constexpr int kUnitDepartmentLabel = 13501;
inline constexpr int kUnitDepartmentNote = 13502;
inline constexpr int kUnitCodeLabel = 13503;
inline constexpr int kUnitCodeNote = 13504;
inline constexpr int kUnitParentLabel = 13505;
inline constexpr int kUnitGroupLabel = 13506;
inline constexpr int kUnitGroupNote = 13507;
inline constexpr int kUnitWeightLabel = 13508;
inline constexpr int kUnitWeightNote = 13509;
inline constexpr int kUnitAttributeLabel = 13510;
inline constexpr int kUnitSetAttributes = 13511;
inline constexpr int kUnitAttributeNote = 13512;
inline constexpr int kUnitValided = 13513;
inline constexpr int kUnitPublicAccount = 13514;
inline constexpr int kUnitAliasLabel = 13515;
inline constexpr int kUnitAliasNote = 13516;
inline constexpr int kUnitPasswordLabel = 13517;
inline constexpr int kUnitPasswordNote = 13518;
inline constexpr int kUnitAliasNotice = 13519;
inline constexpr int kUnitAttrTitle = 13601;
inline constexpr int kUnitAttrFrame = 13602;
inline constexpr int kUnitAttrBox1 = 13603; ///< one per box, 13603 to 13609
inline constexpr int kSearchTitle = 13701;
inline constexpr int kSearchLabel = 13702;

// Environment parameters page (form 145), parameter form (148), help viewer (152).
inline constexpr int kEnvParamsLabel = 14501;
inline constexpr int kEnvModify = 14502;
inline constexpr int kEnvRefresh = 14503;
inline constexpr int kEnvColumnName = 14504;
inline constexpr int kEnvColumnValue = 14505;
inline constexpr int kEnvPageTitle = 14506;
inline constexpr int kParamDlgTitle = 14801;
inline constexpr int kParamDlgLabel = 14802;
inline constexpr int kHelpTitle = 15201;
inline constexpr int kHelpClose = 15202;

// Corporation dialog (form 154).
inline constexpr int kCorpTitle = 15401;
inline constexpr int kCorpNameLabel = 15402;
inline constexpr int kCorpNameHint = 15403;
inline constexpr int kCorpWebsiteLabel = 15404;
inline constexpr int kCorpWebsiteHint = 15405;
inline constexpr int kCorpInputNameOrWebsite = 15406;
inline constexpr int kCorpConfirmFormat = 15407;

} // namespace qar::str

// Each subsystem names its own ids in a header of its own; all of them are reached through this one.
#include "resources/StringIdsCatalog.h"
#include "resources/StringIdsDatabase.h"
#include "resources/StringIdsGroups.h"
#include "resources/StringIdsIntake.h"
#include "resources/StringIdsOrg.h"
#include "resources/StringIdsUsers.h"
