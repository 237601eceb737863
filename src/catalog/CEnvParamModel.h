#pragma once

#include "catalog/EnvParamValues.h"

#include <string>
#include <vector>

namespace qar
{

class CXTableEnvParam;

/// Section and keys of EnvParam.dat naming the parameter rows whose values are picked out.
inline constexpr const char* kEnvParamSection = "EnvParam";
inline constexpr const char* kPasswordMethodKey = "Password_Method";
inline constexpr const char* kExtendInterfaceFieldKey = "Extend_Interface_Field";

/// Program directory + "\UserData\setting\EnvParam.dat".
std::string EnvParamDatPath();

/// The parameter row names EnvParam.dat configures (empty when the file or a key is missing).
struct EnvParamSettings
{
    std::string passwordMethodName;
    std::string extendInterfaceFieldName;
};
EnvParamSettings ReadEnvParamSettings();

/// One line of the parameter list.
struct EnvParamRow
{
    std::string name;
    std::string value;
    /// String id shown instead of an empty value (209 "<Not assigned>"), 0 when the value is shown.
    int valueTextId = 0;
};

/// The environment parameters page without its widgets: the list in table order and the two values
/// the editors use, kept from one load to the next.
class CEnvParamModel
{
public:
    /// `table` is the main window's parameter record object; null for a page on its own.
    explicit CEnvParamModel(CXTableEnvParam* table = nullptr) : m_table(table) {}

    /// Reads the settings, then, when the record object is open and holds rows, replaces the list and
    /// picks the two values out of it. False when the list was left as it was.
    bool load();
    /// The "Refresh" command: close and reopen the record object, then load. A record object that
    /// cannot be reopened stays closed, and the list and values stay as they were.
    bool refresh();

    const std::vector<EnvParamRow>& rows() const { return m_rows; }
    const EnvParamValues& values() const { return m_values; }
    const std::string& passwordMethod() const { return m_values.passwordMethod; }
    const std::string& extendInterfaceField() const { return m_values.extendInterfaceField; }
    bool accountMode() const { return m_values.accountMode(); }

private:
    CXTableEnvParam* m_table;
    std::vector<EnvParamRow> m_rows;
    EnvParamValues m_values;
};

} // namespace qar
