#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the users (table map key "UTB", default table "BaseTable"). Column names from DB.dat section
/// "USER_TABLE". The optional weight column comes from DBField.dat "ADD_TABLES" "UTB_WEIGHT".
class CXTableUser : public CXRecordset
{
public:
    explicit CXTableUser(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTableUser";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;
    /// Whether DBField.dat named a weight column when this object was constructed.
    bool HasWeightColumn() const { return m_hasWeight; }

    // Field members; the mobile number is kept before the e-mail address, the statement has them the other way.
    Field<std::int32_t> m_USER_ID;
    Field<std::string> m_PASSWORD;
    Field<std::string> m_NAME;
    Field<std::int32_t> m_MACHINE_ID;
    Field<std::int32_t> m_POWER_FLAG;
    Field<std::string> m_MOBILE;
    Field<std::string> m_EMAIL;
    Field<std::int32_t> m_UNIT_ID;
    Field<std::string> m_DUTY;
    Field<std::uint8_t> m_USER_STATUS;
    Field<std::int32_t> m_OL_TIME;
    Field<std::int32_t> m_SCORE;
    Field<std::uint8_t> m_DUTY_CLASS;
    Field<std::int32_t> m_GROUP_ID;
    Field<std::int32_t> m_WEIGHT; ///< the weight column, exchanged only when configured

protected:
    void DoFieldExchange(CFieldExchange& fx) override;

private:
    bool m_hasWeight;
};

} // namespace qar
