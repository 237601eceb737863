#include "db/ColumnMap.h"

#include "db/ConnectString.h"
#include "settings/CProfileFile.h"

#include <atomic>

namespace qar
{

namespace
{

// Bumped by resetAllForTesting; a map whose generation differs reads the files again. Starts at 1 so
// that a fresh map (generation 0) loads on first use.
std::atomic<unsigned> g_generation{1};

} // namespace

ColumnMap::ColumnMap(const char* section, std::span<const ColumnKey> keys, const char* weightKey)
    : m_section(section), m_keys(keys), m_weightKey(weightKey)
{}

const std::vector<std::string>& ColumnMap::names()
{
    load();
    return m_names;
}

const std::string& ColumnMap::weightColumn()
{
    load();
    return m_weight;
}

void ColumnMap::resetAllForTesting()
{
    ++g_generation;
}

void ColumnMap::load()
{
    const unsigned generation = g_generation.load();
    if (m_generation == generation) {
        return;
    }
    CProfileFile db(DbDatPath(), m_section);
    m_names.clear();
    for (const ColumnKey& k : m_keys) {
        m_names.push_back(db.GetString(k.key, k.defaultName));
    }
    m_weight = m_weightKey ? readWeightColumn(m_weightKey) : std::string();
    m_generation = generation;
}

std::string readWeightColumn(const char* key)
{
    CProfileFile fields(DbFieldDatPath(), "ADD_TABLES");
    return fields.GetString(key);
}

} // namespace qar
