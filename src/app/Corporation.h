#pragma once

#include "platform/SafeFile.h"

#include <functional>
#include <optional>
#include <string>

namespace qar
{

class CDatabaseSession;

/// The corporation or organisation the installation belongs to.
struct CorporationInfo
{
    std::string name;
    std::string homepage;

    bool operator==(const CorporationInfo&) const = default;
};

/// EnvInfo.dat, section "EnvInfo"; missing keys read as empty.
CorporationInfo ReadCorporationInfo();
/// Both keys in one write; the cause when EnvInfo.dat cannot be written (it keeps its old content).
FileWriteResult WriteCorporationInfo(const CorporationInfo& info);

/// The message id when the corporation form cannot be accepted (a field is empty), else nothing.
std::optional<int> ValidateCorporation(const CorporationInfo& info);

/// What the installer left in the Windows directory for the first run. Only a complete set of the
/// four hand-off files counts.
struct HandOff
{
    bool complete = false;
    CorporationInfo corporation; ///< from Data3.d_t, section "Info"
};

/// Reads the hand-off values and copies the image over the program's AppConf.bmp (a failed copy is
/// ignored) when all four files exist.
HandOff TakeHandOffFiles();

/// Asks for the corporation in set-up mode (no cancelling): `initial` pre-fills the form, and with
/// `autoAccept` the form accepts by itself. Returns the accepted values.
using AskCorporation = std::function<CorporationInfo(const CorporationInfo& initial, bool autoAccept)>;

/// The first-run set-up of a fresh database: when the first group is group 1, ask for the corporation,
/// name group 1 after it, write EnvInfo.dat, and give an empty organisation its root unit 101. Writes no
/// change rows. Throws DbError when a row cannot be written. Returns how the EnvInfo.dat write ended.
FileWriteResult RunFirstRunSetup(CDatabaseSession& session, const AskCorporation& ask);

} // namespace qar
