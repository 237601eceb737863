#pragma once

#include <string>

namespace qar
{

/// Why a file could not be written, in the administrator's words and language (bytes of the ANSI code
/// page): its folder missing, writing not allowed, the disk full or failing; any other system error as
/// the system words it.
std::string FileFailureCause(int error);

} // namespace qar
