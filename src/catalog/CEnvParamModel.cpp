#include "catalog/CEnvParamModel.h"

#include "db/CXTableEnvParam.h"
#include "db/OdbcError.h"
#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "settings/CProfileFile.h"

namespace qar
{

std::string EnvParamDatPath()
{
    return ProgramPath("\\UserData\\setting\\EnvParam.dat");
}

EnvParamSettings ReadEnvParamSettings()
{
    CProfileFile file(EnvParamDatPath(), kEnvParamSection);
    EnvParamSettings settings;
    settings.passwordMethodName = file.GetString(kPasswordMethodKey);
    settings.extendInterfaceFieldName = file.GetString(kExtendInterfaceFieldKey);
    return settings;
}

bool CEnvParamModel::load()
{
    const EnvParamSettings settings = ReadEnvParamSettings();
    if (m_table == nullptr || !m_table->IsOpen() || (m_table->IsBOF() && m_table->IsEOF())) {
        return false;
    }
    m_rows.clear();
    CXTableEnvParam& t = *m_table;
    for (t.MoveFirst(); !t.IsEOF(); t.MoveNext()) {
        EnvParamRow row{t.m_Param_Name.get(), t.m_Param_Value.get(), 0};
        // Names compare byte for byte; an empty setting names no row. A later row of the same name wins,
        // and a setting no row matches leaves the value of the previous load.
        if (!settings.passwordMethodName.empty() && row.name == settings.passwordMethodName) {
            m_values.passwordMethod = row.value;
        }
        if (!settings.extendInterfaceFieldName.empty() && row.name == settings.extendInterfaceFieldName) {
            m_values.extendInterfaceField = row.value;
        }
        if (row.value.empty()) {
            row.valueTextId = str::kNotAssigned;
        }
        m_rows.push_back(std::move(row));
    }
    return true;
}

bool CEnvParamModel::refresh()
{
    if (m_table != nullptr) {
        m_table->Close();
        try {
            m_table->Open();
        } catch (const DbError&) {
            // A closed object keeps the list and the values; the page says nothing.
        }
    }
    return load();
}

} // namespace qar
