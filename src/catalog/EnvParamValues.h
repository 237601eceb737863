#pragma once

#include <string>

namespace qar
{

/// The two environment parameters the editors depend on, as the environment parameters page last
/// picked them out of the parameter table. Both are empty until a load finds their rows.
struct EnvParamValues
{
    /// How stored passwords are written ("MD5" digests them).
    std::string passwordMethod;
    /// The extended interface field value.
    std::string extendInterfaceField;

    /// The user and application editors offer their "unitive account" options only in account mode,
    /// which the value "Setting" turns on, exactly as written.
    bool accountMode() const { return extendInterfaceField == "Setting"; }
};

} // namespace qar
