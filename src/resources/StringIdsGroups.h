#pragma once

namespace qar::str
{

// Ids of the groups page, group editor, attributes and property files.

/// "(Group-ID: %d)" behind the caption of the property form.
inline constexpr int kGroupIdCaptionFormat = 237;

// Groups page (form 142); its context menu is the catalogue lists' (menu 134).
inline constexpr int kGroupAdd = 14201;
inline constexpr int kGroupEdit = 14202;
inline constexpr int kGroupDelete = 14203;
inline constexpr int kGroupRefresh = 14204;
inline constexpr int kGroupListLabel = 14208;
inline constexpr int kGroupColumnNumber = 14205;
inline constexpr int kGroupColumnName = 14206;
inline constexpr int kGroupColumnWebsite = 14207;
/// The question before deleting a group that units or users still name: the group, its units, its users.
inline constexpr int kGroupInUseConfirm = 14290;

// Group editor (form 143).
inline constexpr int kGroupEditTitle = 14301;
inline constexpr int kGroupNumberLabel = 14302;
inline constexpr int kGroupNameLabel = 14303;
inline constexpr int kGroupNameHint = 14304;
inline constexpr int kGroupHomePageLabel = 14305;
inline constexpr int kGroupHomePageHint = 14306;
inline constexpr int kGroupMembersLabel = 14307;
inline constexpr int kGroupMembersHint = 14308;
inline constexpr int kGroupAttributesLabel = 14309;
inline constexpr int kGroupSetAttributes = 14310;
inline constexpr int kGroupAttributesHint = 14311;
inline constexpr int kGroupFtpIpLabel = 14312;
inline constexpr int kGroupIpHint = 14313;
inline constexpr int kGroupCwaIpLabel = 14314;
inline constexpr int kGroupPropertySetting = 14315;
inline constexpr int kGroupPropSetup = 14316;
inline constexpr int kGroupFileSetup = 14317;
inline constexpr int kGroupDataInput = 14318;
inline constexpr int kGroupManageUser = 14319;
inline constexpr int kGroupIndepUser = 14320;
/// The details of 253 when another program changed the edited group: its number.
inline constexpr int kGroupChangedMeanwhile = 14390;
/// A renumbered group's files that could not follow: old number, new number, the files with their causes.
inline constexpr int kGroupFilesNotMoved = 14391;

// Group attributes (form 150); the boxes follow GroupAttributeBoxes(), from kGroupAttrExtend on.
inline constexpr int kGroupAttrTitle = 15001;
inline constexpr int kGroupAttrFrame = 15002;
inline constexpr int kGroupAttrExtend = 15003; ///< 15003 to 15013

// Set Property (form 161).
inline constexpr int kGroupPropTitle = 16101;
inline constexpr int kGroupPropDefault = 16102;
inline constexpr int kGroupPropAdd = 16103;
inline constexpr int kGroupPropColumnCategory = 16104;
inline constexpr int kGroupPropColumnItem = 16105;
inline constexpr int kGroupPropColumnContent = 16106;
inline constexpr int kGroupPropColumnData = 16107;
inline constexpr int kGroupPropMandatoryFormat = 16110;
inline constexpr int kGroupPropSaveFailedFormat = 16111;

// Set Group's Config File (form 162).
inline constexpr int kGroupFilesTitle = 16201;
inline constexpr int kGroupFilesChannel = 16202;
inline constexpr int kGroupFilesAppUrls = 16203;
inline constexpr int kGroupFilesMultiRole = 16204;
inline constexpr int kGroupFilesUsePrivate = 16205;
inline constexpr int kGroupFilesUsePublic = 16206;
inline constexpr int kGroupFilesOpen = 16207;
inline constexpr int kGroupFilesEdit = 16208;
inline constexpr int kGroupFilesDefault = 16209;
inline constexpr int kGroupFilesApplyFailedFormat = 16210;
inline constexpr int kGroupFilesPrepareFailedFormat = 16211;

} // namespace qar::str
