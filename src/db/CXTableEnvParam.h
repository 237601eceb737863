#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the environment parameters (table map key "PTB", default table "ParamTable").
class CXTableEnvParam : public CXRecordset
{
public:
    explicit CXTableEnvParam(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTableEnvParam";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;

    Field<std::string> m_Param_Name;
    Field<std::string> m_Param_Value;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};

} // namespace qar
