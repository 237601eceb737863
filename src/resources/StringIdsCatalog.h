#pragma once

namespace qar::str
{

// Ids of the applications, message types and websites catalogues.

// Applications page (form 130); the catalogue pages' shared messages.
inline constexpr int kAppListLabel = 13001;
inline constexpr int kAppAdd = 13002;
inline constexpr int kAppEdit = 13003;
inline constexpr int kAppDelete = 13004;
inline constexpr int kAppRefresh = 13005;
inline constexpr int kAppColumnId = 13010;
inline constexpr int kAppColumnName = 13011;
inline constexpr int kAppColumnLocation = 13012;
inline constexpr int kAppColumnGroup = 13013;
/// "%s" is the file's path.
inline constexpr int kCatalogSaveFailed = 13090;
inline constexpr int kCatalogIconCopyFailed = 13091;
inline constexpr int kCatalogIconRemoveFailed = 13092;

// Message types page (form 131).
inline constexpr int kMsgListLabel = 13101;
inline constexpr int kMsgAdd = 13102;
inline constexpr int kMsgModify = 13103;
inline constexpr int kMsgDelete = 13104;
inline constexpr int kMsgRefresh = 13105;
inline constexpr int kMsgColumnType = 13110;
inline constexpr int kMsgColumnName = 13111;
inline constexpr int kMsgColumnMark = 13112;

// Context menu of the catalogue lists (menu 134, popup "-Other-").
inline constexpr int kCatalogMenuAdd = 13401;
inline constexpr int kCatalogMenuEdit = 13402;
inline constexpr int kCatalogMenuDelete = 13403;

// Application form (form 138).
inline constexpr int kAppFormTitle = 13800;
inline constexpr int kAppFormIdLabel = 13801;
inline constexpr int kAppFormIdHint = 13802;
inline constexpr int kAppFormNameLabel = 13803;
inline constexpr int kAppFormNameHint = 13804;
inline constexpr int kAppFormLocationLabel = 13805;
inline constexpr int kAppFormLocationHint = 13806;
inline constexpr int kAppFormGroupLabel = 13807;
inline constexpr int kAppFormGroupHint = 13808;
inline constexpr int kAppFormIconLabel = 13809;
inline constexpr int kAppFormSetIcon = 13810;
inline constexpr int kAppFormIconHint = 13811;
inline constexpr int kAppFormTypeLabel = 13812;
inline constexpr int kAppTypeAuto = 13813;
inline constexpr int kAppTypeBrowserServer = 13814;
inline constexpr int kAppTypeClientServer = 13815;
inline constexpr int kAppFormNeedPassword = 13816;
inline constexpr int kAppFormSystemEmail = 13817;
inline constexpr int kAppFormUnitive = 13818;
inline constexpr int kAppFormBsLabel = 13819;
inline constexpr int kAppFormLoginHint = 13820;
inline constexpr int kAppFormCsTitleLabel = 13821;
inline constexpr int kAppFormCsId1Label = 13823;
inline constexpr int kAppFormCsId2Label = 13824;
inline constexpr int kAppFormCsId3Label = 13825;
inline constexpr int kAppFormCsIdHint = 13826;
inline constexpr int kAppFormHelp = 13827;
/// The icon file form: its caption and its filter.
inline constexpr int kIconDialogTitle = 13830;
inline constexpr int kIconDialogFilter = 13831;

// Message type form (form 140).
inline constexpr int kMsgFormTitle = 14000;
inline constexpr int kMsgFormTypeLabel = 14001;
inline constexpr int kMsgFormTypeHint = 14002;
inline constexpr int kMsgFormNameLabel = 14003;
inline constexpr int kMsgFormNameHint = 14004;
inline constexpr int kMsgFormMarkLabel = 14005;
inline constexpr int kMsgFormMarkHint = 14006;
inline constexpr int kMsgFormOptionsLabel = 14007;
inline constexpr int kMsgFormIgnoreSame = 14008;
inline constexpr int kMsgFormNeedReplay = 14009;
inline constexpr int kMsgFormMaskGen = 14010;
/// The form framework's check of an unsigned number field.
inline constexpr int kEnterPositiveInteger = 14020;

// Websites page (form 166) and website form (form 167).
inline constexpr int kWebListLabel = 16601;
inline constexpr int kWebAdd = 16602;
inline constexpr int kWebEdit = 16603;
inline constexpr int kWebDelete = 16604;
inline constexpr int kWebRefresh = 16605;
inline constexpr int kWebColumnId = 16610;
inline constexpr int kWebColumnName = 16611;
inline constexpr int kWebColumnUrl = 16612;
inline constexpr int kWebFormTitle = 16700;
inline constexpr int kWebFormIdLabel = 16701;
inline constexpr int kWebFormIdHint = 16702;
inline constexpr int kWebFormNameLabel = 16703;
inline constexpr int kWebFormNameHint = 16704;
inline constexpr int kWebFormUrlLabel = 16705;
inline constexpr int kWebFormUrlHint = 16706;
inline constexpr int kWebFormIconLabel = 16707;
inline constexpr int kWebFormSetIcon = 16708;
inline constexpr int kWebFormIconHint = 16709;

} // namespace qar::str
