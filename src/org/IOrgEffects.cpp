#include "org/IOrgEffects.h"

#include "db/ChangeLog.h"

namespace qar
{

void ChangeLogOrgEffects::logChange(const std::string& table, const std::string& field, std::int32_t key,
                                    std::uint8_t action)
{
    m_log.LogChange(table, field, key, action);
}

} // namespace qar
