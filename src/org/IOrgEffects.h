#pragma once

#include "db/ChangeLog.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qar
{

/// What a change to units and users makes known outside the page, in the order every change follows:
/// the row is written, then the change flag is set, then the service buttons are updated, then the
/// change row is logged.
struct IOrgEffects
{
    virtual ~IOrgEffects() = default;
    virtual void setUnitsChanged() = 0;
    virtual void setUsersChanged() = 0;
    /// The groups page's flag: a top-level unit moved to another group.
    virtual void setGroupsChanged() = 0;
    virtual void updateServiceButtons() = 0;
    /// Writes a change row while the server runs; throws DbError when it cannot be written.
    virtual void logChange(const std::string& table, const std::string& field, std::int32_t key,
                           std::uint8_t action) = 0;
    /// The change rows of one operation in their order, written together; throws DbError.
    virtual void logChanges(const std::vector<ChangeRow>& rows)
    {
        for (const ChangeRow& row : rows) {
            logChange(row.table, row.field, row.key, row.action);
        }
    }
    /// The connection was found broken: reconnect at once, silently, as the refresh timer does.
    virtual void reconnect() {}
};

/// Effects for the main window: change rows through its change log, the other effects through
/// callbacks (any may be empty).
class ChangeLogOrgEffects : public IOrgEffects
{
public:
    explicit ChangeLogOrgEffects(CChangeLog& log) : m_log(log) {}

    std::function<void()> onUnitsChanged;
    std::function<void()> onUsersChanged;
    std::function<void()> onGroupsChanged;
    std::function<void()> onUpdateServiceButtons;
    std::function<void()> onReconnect;

    void setUnitsChanged() override { call(onUnitsChanged); }
    void setUsersChanged() override { call(onUsersChanged); }
    void setGroupsChanged() override { call(onGroupsChanged); }
    void updateServiceButtons() override { call(onUpdateServiceButtons); }
    void logChange(const std::string& table, const std::string& field, std::int32_t key, std::uint8_t action) override;
    void logChanges(const std::vector<ChangeRow>& rows) override { m_log.LogChanges(rows); }
    void reconnect() override { call(onReconnect); }

private:
    static void call(const std::function<void()>& f)
    {
        if (f) {
            f();
        }
    }
    CChangeLog& m_log;
};

} // namespace qar
