#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the message types (table map key "MTB", default table "MsgtypeTable").
class CXTableMsg : public CXRecordset
{
public:
    explicit CXTableMsg(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTableMsg";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;

    Field<std::int32_t> m_MSG_TYPE;
    Field<std::string> m_MSG_NAME;
    Field<std::int32_t> m_MSG_FMASK;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};

} // namespace qar
