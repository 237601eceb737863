#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the organisation groups (table map key "GTB", default table "GroupTable").
class CXTableGroup : public CXRecordset
{
public:
    explicit CXTableGroup(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTableGroup";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;

    Field<std::int32_t> m_GROUP_ID;
    Field<std::string> m_GROUP_NAME;
    Field<std::string> m_GROUP_URL;
    Field<std::int32_t> m_GROUP_FTP_IP;
    Field<std::int32_t> m_GROUP_CWA_IP;
    Field<std::int32_t> m_GROUP_COUNT;
    Field<std::int32_t> m_GROUP_POWER;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};

} // namespace qar
