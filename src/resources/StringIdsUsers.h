#pragma once

namespace qar::str
{

// Ids of the user editor, privileges, roles, virtual units and the small user forms.

// Roles page (form 132) and its context menu.
inline constexpr int kRoleListLabel = 13201;
inline constexpr int kRoleAdd = 13202;
inline constexpr int kRoleEdit = 13203;
inline constexpr int kRoleDelete = 13204;
inline constexpr int kRoleRefresh = 13205;
inline constexpr int kRoleColumnId = 13206;
inline constexpr int kRoleColumnName = 13207;
inline constexpr int kRoleColumnSms = 13208;
inline constexpr int kRoleColumnPrivileges = 13209;
inline constexpr int kRoleMenuOther = 13210;
inline constexpr int kRoleMenuAdd = 13211;
inline constexpr int kRoleMenuEdit = 13212;
inline constexpr int kRoleMenuDelete = 13213;

// User form (form 133); its fields' labels are shared with the short user form.
inline constexpr int kUserPrimaryData = 13301;
inline constexpr int kUserIdLabel = 13302;
inline constexpr int kUserNameLabel = 13303;
inline constexpr int kUserPasswordLabel = 13304;
inline constexpr int kUserPasswordAgainLabel = 13305;
inline constexpr int kUserDepartmentLabel = 13306;
inline constexpr int kUserEmailLabel = 13307;
inline constexpr int kUserRoleLabel = 13308;
inline constexpr int kUserMobileLabel = 13309;
inline constexpr int kUserWeightLabel = 13310;
inline constexpr int kUserStatusLabel = 13311;
inline constexpr int kUserGroupLabel = 13312;
inline constexpr int kUserUserGroupLabel = 13313;
inline constexpr int kUserSynchronize = 13314;
inline constexpr int kUserOnlineLabel = 13315;
inline constexpr int kUserScoreLabel = 13316;
inline constexpr int kUserPrivileges = 13317;
inline constexpr int kUserHelp = 13318;
inline constexpr int kUserExtendedData = 13319;
inline constexpr int kUserDomainNameLabel = 13320;
inline constexpr int kUserDomainSetting = 13321;
inline constexpr int kUserSignDomainPlaceholder = 13322;
inline constexpr int kUserNetDiskLabel = 13323;
inline constexpr int kUserSetSize = 13324;
inline constexpr int kUserNetDiskNote = 13325;
inline constexpr int kUserNotice = 13326;
inline constexpr int kUserRequired = 13327;
inline constexpr int kUserVirtualUnits = 13328;
/// A form could not write its file: the file's path, then the cause.
inline constexpr int kFileNotSaved = 13380;
/// A user's row was committed but a file of its records could not follow: the path, then the cause.
inline constexpr int kUserRecordsNotSaved = 13381;
/// A stored role that role.xml lacks, as the user form's role list shows it.
inline constexpr int kRoleNotInRoleFile = 13382;
/// The question before deleting a role that users still have: their count.
inline constexpr int kRoleInUseConfirm = 13383;

// Role editor (form 139).
inline constexpr int kRoleEditorTitle = 13901;
inline constexpr int kRoleIdLabel = 13902;
inline constexpr int kRoleIdNote = 13903;
inline constexpr int kRoleNameLabel = 13904;
inline constexpr int kRoleNameNote = 13905;
inline constexpr int kRoleSmsLabel = 13906;
inline constexpr int kRoleSmsNote = 13907;
inline constexpr int kRolePrivilegesLabel = 13908;
inline constexpr int kRoleSet = 13909;

// Privilege form (form 141) and the privilege boxes every user form shows.
inline constexpr int kPowerTitle = 14101;
inline constexpr int kPowerBoxAdministrator = 14110;
inline constexpr int kPowerBoxGroupAdministrator = 14111;
inline constexpr int kPowerBoxSmsUnlimited = 14112;
inline constexpr int kPowerBoxSmsUnlimitedShort = 14113; ///< the short user form's spelling
inline constexpr int kPowerBoxSys19 = 14120;             ///< one per box, "SYS 19" to "SYS 30" (14120-14131)
inline constexpr int kPowerBoxReserved = 14140;

// User-account list (form 144).
inline constexpr int kAccountSelectGroup = 14401;
inline constexpr int kAccountAdd = 14402;
inline constexpr int kAccountEdit = 14403;
inline constexpr int kAccountDelete = 14404;
inline constexpr int kAccountClose = 14405;
/// Accessible name of the form's list.
inline constexpr int kAccountListName = 14406;

// Short user form (form 146).
inline constexpr int kShortUserTitle = 14601;
inline constexpr int kShortUserGroupLabel = 14602;

// Sign-domain form (form 147).
inline constexpr int kSignDomainTitle = 14701;
inline constexpr int kSignDomainUserLabel = 14702;
inline constexpr int kSignDomainDomainLabel = 14703;

// Net-disk form (form 149).
inline constexpr int kNetDiskTitle = 14901;
inline constexpr int kNetDiskDefault = 14902;
inline constexpr int kNetDiskSpecific = 14903;
inline constexpr int kNetDiskSystemDefault = 14904;

// "Set Virtual Units" (form 169) and "Add virtual unit" (form 170).
inline constexpr int kVirtualUnitsTitle = 16901;
inline constexpr int kVirtualUnitsLabel = 16902;
inline constexpr int kVirtualUnitsAdd = 16903;
inline constexpr int kVirtualUnitsDelete = 16904;
inline constexpr int kAddVirtualUnitTitle = 17001;
inline constexpr int kAddVirtualUnitLabel = 17002;

} // namespace qar::str
