#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the units (departments) (table map key "UNTB", default table "UnitTable"). Column names from DB.dat
/// section "UNIT_TABLE". The optional weight column comes from DBField.dat "ADD_TABLES" "UNTB_WEIGHT".
class CXTableUnit : public CXRecordset
{
public:
    explicit CXTableUnit(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTableUnit";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;
    /// Whether DBField.dat named a weight column when this object was constructed.
    bool HasWeightColumn() const { return m_hasWeight; }

    Field<std::int32_t> m_UNIT_ID;
    Field<std::string> m_UNIT_NAME;
    Field<std::int32_t> m_SUPER_ID;
    Field<std::uint8_t> m_TREE_CLASS;
    Field<bool> m_UNIT_STATUS;
    Field<bool> m_CAN_LOG;
    Field<std::int32_t> m_OL_TIME;
    Field<std::string> m_UNIT_ALIAS;
    Field<std::string> m_LOG_PWD;
    Field<std::int32_t> m_GROUP_ID;
    Field<std::int32_t> m_UNIT_FLAG;
    Field<std::int32_t> m_WEIGHT; ///< the weight column, exchanged only when configured

protected:
    void DoFieldExchange(CFieldExchange& fx) override;

private:
    bool m_hasWeight;
};

} // namespace qar
