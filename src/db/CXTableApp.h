#pragma once

#include "db/CXRecordset.h"

#include <cstdint>
#include <string>

namespace qar
{

/// Record object of the applications (table map key "ATB", default table "AppTable").
class CXTableApp : public CXRecordset
{
public:
    explicit CXTableApp(CXDatabase* database = nullptr);

    static constexpr const char* kRuntimeClass = "CXTableApp";
    const char* GetRuntimeClassName() const override { return kRuntimeClass; }
    std::string GetDefaultSQL() const override;

    Field<std::int32_t> m_APP_ID;
    Field<std::string> m_APP_NAME;
    Field<std::string> m_APP_URL;
    Field<std::int32_t> m_GROUP_ID;
    Field<std::uint8_t> m_APP_TYPE;
    Field<std::string> m_BS_LOG;
    Field<std::string> m_CS_WINTITLE;
    Field<std::int32_t> m_CS_DATA1;
    Field<std::int32_t> m_CS_DATA2;
    Field<std::int32_t> m_CS_DATA3;

protected:
    void DoFieldExchange(CFieldExchange& fx) override;
};

} // namespace qar
