#pragma once

namespace qar::str
{

// Ids of the units-and-users page and the unit editor.

// Status line after a change of the page (form 129); "%d" are ids and counts.
inline constexpr int kStatusUnitAdded = 12930;
inline constexpr int kStatusUnitNotAdded = 12931;
inline constexpr int kStatusUnitSaved = 12932;
inline constexpr int kStatusUnitSavedAs = 12933;
inline constexpr int kStatusUnitNothingToSave = 12934;
inline constexpr int kStatusUnitNotSaved = 12935;
inline constexpr int kStatusUnitDeleted = 12936;
inline constexpr int kStatusUnitAlreadyDeleted = 12937;
inline constexpr int kStatusUnitNotDeleted = 12938;
inline constexpr int kStatusUserDeleted = 12939;
inline constexpr int kStatusUserAlreadyDeleted = 12940;
inline constexpr int kStatusUserNotDeleted = 12941;
inline constexpr int kStatusSubUnitsMoved = 12942;
inline constexpr int kStatusChildUnitsRepointed = 12943;
inline constexpr int kStatusUsersRepointed = 12944;
inline constexpr int kStatusUsersRegrouped = 12945;
inline constexpr int kStatusIncomplete = 12946;
inline constexpr int kStatusSeparator = 12947;
inline constexpr int kStatusSubUnitMoved = 12970; ///< the forms above for a count of one
inline constexpr int kStatusChildUnitRepointed = 12971;
inline constexpr int kStatusUserRepointed = 12972;
inline constexpr int kStatusUserRegrouped = 12973;
inline constexpr int kStatusUserAdded = 12974;
inline constexpr int kStatusUserSaved = 12975;
inline constexpr int kStatusUserSavedAs = 12976;
inline constexpr int kStatusUserNotAdded = 12980;
inline constexpr int kStatusUserNotSaved = 12981;
inline constexpr int kStatusUserNothingToSave = 12982;

// Find bar of the page.
inline constexpr int kFindButton = 12950;
inline constexpr int kFindButtonTip = 12951;
inline constexpr int kFindPlaceholder = 12952;
inline constexpr int kFindCountFormat = 12953;
inline constexpr int kFindNoMatch = 12954;
inline constexpr int kFindPreviousTip = 12955;
inline constexpr int kFindNextTip = 12956;
inline constexpr int kFindCloseTip = 12957;
inline constexpr int kFindCountOnlyFormat = 12958;
/// Accessible names of the bar's field and of its buttons that show only an icon.
inline constexpr int kFindPreviousName = 12965;
inline constexpr int kFindNextName = 12966;
inline constexpr int kFindCloseName = 12967;
inline constexpr int kFindFieldName = 12968;

// Long work on the page.
inline constexpr int kLoadingTree = 12960;
/// A large users table read while the tree is in use: its progress, and the note of a command that waits
/// for it.
inline constexpr int kReadingUsers = 12961;
inline constexpr int kWaitingForUsers = 12962;

// Unit form (135).
inline constexpr int kUnitWeightUnavailable = 13520;

} // namespace qar::str
