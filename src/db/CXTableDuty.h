#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the roles (duty classes) (table map key "DTB", default table "DutyClassTable").
class CXTableDuty : public CXRecordset
{
public:
    explicit CXTableDuty(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTableDuty";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;

    Field<std::uint8_t> m_DUTY_CLASS;
    Field<std::string> m_DUTY_CLASSNAME;
    Field<std::int32_t> m_SMS_COUNT;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};

} // namespace qar
