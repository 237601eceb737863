#pragma once

#include "org/UserForm.h"
#include "platform/SafeFile.h"

#include <cstdint>
#include <string>
#include <variant>

namespace qar
{

class DomainUserFile;

/// The system's default net-disk size in MB: EnvInfo.dat "EnvInfo" "m_nMaxUDiskMem_MB", 32 when absent.
int ReadDefaultNetDiskMb();
/// The cause when EnvInfo.dat cannot be written (it keeps its old content).
FileWriteResult WriteDefaultNetDiskMb(int megabytes);

/// What the net-disk form's fields hold.
struct NetDiskForm
{
    bool specificSize = false; ///< "Set the following size (MB):" rather than the default
    std::string sizeText;
    std::string defaultText;
};

/// A net-disk form that passed its checks: the user's size (0: the default) and the default size.
struct NetDiskChoice
{
    std::uint16_t userMb = 0;
    int defaultMb = 0;
};

/// The form as it opens for a user's size: the specific size is chosen when it is not 0.
NetDiskForm InitialNetDiskForm(std::uint16_t userMb, int defaultMb);
/// OK: a chosen size must be a whole number from 0 to 65535, the default a whole number from 0 up.
std::variant<UserFormError, NetDiskChoice> ValidateNetDiskForm(const NetDiskForm& form);

/// The sign-on domain entered on the sign-domain form goes into the sign-on users file, which is marked
/// changed when the domain differs. False when nothing changed.
bool StoreSignDomain(DomainUserFile& file, const std::string& domain);

} // namespace qar
