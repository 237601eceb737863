#include "intake/OrgData.h"

#include "db/CXTableGroup.h"
#include "db/CXTableUnit.h"
#include "db/CXTableUser.h"

namespace qar
{

OrgData ReadOrgData(CXDatabase& database, bool withUsers)
{
    OrgData data;
    CXTableGroup groups(&database);
    groups.Open();
    for (; !groups.IsEOF(); groups.MoveNext()) {
        GroupRecord g;
        g.id = groups.m_GROUP_ID;
        g.name = groups.m_GROUP_NAME;
        g.count = groups.m_GROUP_COUNT;
        data.groups.push_back(std::move(g));
    }
    groups.Close();

    CXTableUnit units(&database);
    data.unitWeight = units.HasWeightColumn();
    units.Open();
    data.units.reserve(static_cast<std::size_t>(units.GetRecordCount()));
    for (; !units.IsEOF(); units.MoveNext()) {
        UnitRecord u{units.m_UNIT_ID,     units.m_UNIT_NAME, units.m_SUPER_ID,  units.m_TREE_CLASS,
                     units.m_UNIT_STATUS, units.m_CAN_LOG,   units.m_OL_TIME,   units.m_UNIT_ALIAS,
                     units.m_LOG_PWD,     units.m_GROUP_ID,  units.m_UNIT_FLAG, std::nullopt};
        if (data.unitWeight) {
            u.weight = units.IsFieldNull(units.m_WEIGHT) ? 0 : units.m_WEIGHT.get();
        }
        data.units.push_back(std::move(u));
    }
    units.Close();

    if (!withUsers) {
        return data;
    }
    CXTableUser users(&database);
    data.userWeight = users.HasWeightColumn();
    users.Open();
    data.users.reserve(static_cast<std::size_t>(users.GetRecordCount()));
    for (; !users.IsEOF(); users.MoveNext()) {
        UserRecord u{users.m_USER_ID, users.m_PASSWORD, users.m_NAME,       users.m_MACHINE_ID, users.m_POWER_FLAG,
                     users.m_EMAIL,   users.m_MOBILE,   users.m_UNIT_ID,    users.m_DUTY,       users.m_USER_STATUS,
                     users.m_OL_TIME, users.m_SCORE,    users.m_DUTY_CLASS, users.m_GROUP_ID,   std::nullopt};
        if (data.userWeight) {
            u.weight = users.IsFieldNull(users.m_WEIGHT) ? 0 : users.m_WEIGHT.get();
        }
        data.users.push_back(std::move(u));
    }
    users.Close();
    return data;
}

} // namespace qar
