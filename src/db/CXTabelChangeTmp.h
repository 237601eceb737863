#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the change log (table map key "CTB", default table "ChangeTable"). Column names from DB.dat section
/// "CHTMP_TABLE".
class CXTabelChangeTmp : public CXRecordset
{
public:
    explicit CXTabelChangeTmp(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTabelChangeTmp";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;

    Field<std::int32_t> m_REC_ID;
    Field<std::string> m_Table_Name;
    Field<std::string> m_Field_Name;
    Field<std::int32_t> m_Key_Value;
    Field<std::uint8_t> m_Change_Act;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};

} // namespace qar
