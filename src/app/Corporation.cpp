#include "app/Corporation.h"

#include "db/CDatabaseSession.h"
#include "db/OdbcError.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "resources/StringIds.h"
#include "settings/CProfileFile.h"

namespace qar
{

namespace
{

constexpr const char* kEnvInfoSection = "EnvInfo";
constexpr const char* kNameKey = "m_sCorporationName";
constexpr const char* kHomepageKey = "m_sCorporationHomepage";

/// Moves to the first group and tells whether it is group 1. A database error on the move counts as
/// "not group 1": the set-up then does nothing.
bool firstGroupIsOne(CXTableGroup& groups)
{
    try {
        groups.MoveFirst();
    } catch (const DbError&) {
        return false;
    }
    return !groups.IsEOF() && groups.m_GROUP_ID == 1;
}

void addRootUnit(CXTableUnit& units, const std::string& corporation)
{
    units.AddNew();
    units.m_UNIT_ID = 101;
    units.m_UNIT_NAME = corporation;
    units.m_SUPER_ID = 0;
    units.m_TREE_CLASS = std::uint8_t{1};
    units.m_UNIT_STATUS = true;
    units.m_CAN_LOG = false;
    units.m_OL_TIME = 0;
    units.m_UNIT_ALIAS = std::string();
    units.m_LOG_PWD = std::string();
    units.m_GROUP_ID = 1;
    units.m_UNIT_FLAG = 0;
    // The weight column stays unassigned: the database gives it its default.
    units.Update();
}

} // namespace

CorporationInfo ReadCorporationInfo()
{
    CProfileFile file(EnvInfoPath(), kEnvInfoSection);
    CorporationInfo info;
    info.name = file.GetString(kNameKey, "");
    info.homepage = file.GetString(kHomepageKey, "");
    return info;
}

FileWriteResult WriteCorporationInfo(const CorporationInfo& info)
{
    CProfileFile file(EnvInfoPath(), kEnvInfoSection);
    CProfileFile::WriteBatch batch(file);
    file.WriteString(kNameKey, info.name);
    file.WriteString(kHomepageKey, info.homepage);
    batch.Commit();
    return {batch.error()};
}

std::optional<int> ValidateCorporation(const CorporationInfo& info)
{
    if (info.name.empty() || info.homepage.empty()) {
        return str::kCorpInputNameOrWebsite;
    }
    return std::nullopt;
}

HandOff TakeHandOffFiles()
{
    const std::string dir = GetWindowsDir();
    const std::string image = dir + "/Data0.d_t";
    const std::string settings = dir + "/Data3.d_t";
    HandOff handOff;
    for (const std::string& f : {image, dir + "/Data1.d_t", dir + "/Data2.d_t", settings}) {
        if (!FileExists(f)) {
            return handOff;
        }
    }
    handOff.complete = true;
    CProfileFile file(settings, "Info");
    handOff.corporation.name = file.GetString("m_sCorp", "");
    handOff.corporation.homepage = file.GetString("m_sHttp", "");
    CopyFileAtomically(image, ProgramPath("\\AppConf.bmp"));
    return handOff;
}

FileWriteResult RunFirstRunSetup(CDatabaseSession& session, const AskCorporation& ask)
{
    const HandOff handOff = TakeHandOffFiles();

    CXTableGroup& groups = session.tableGroup();
    groups.Close();
    groups.Open();
    if (groups.IsBOF() && groups.IsEOF()) {
        return {};
    }
    if (!firstGroupIsOne(groups)) {
        return {};
    }

    const CorporationInfo initial = handOff.complete ? handOff.corporation : CorporationInfo{"", "http://"};
    const CorporationInfo corporation = ask(initial, handOff.complete);

    groups.MoveFirst();
    if (!groups.IsEOF() && groups.m_GROUP_ID == 1) {
        groups.Edit();
        groups.m_GROUP_NAME = corporation.name;
        groups.m_GROUP_URL = corporation.homepage;
        // A group 1 another program deleted meanwhile has no name left to set; one it changed throws.
        UpdateRow(groups);
    }
    const FileWriteResult written = WriteCorporationInfo(corporation);

    CXTableUnit& units = session.tableUnit();
    units.Close();
    units.Open();
    if (units.IsBOF() && units.IsEOF()) {
        addRootUnit(units, corporation.name);
        // An insert leaves the snapshot as it was: the pages built next must find the root unit.
        units.Open();
    }
    return written;
}

} // namespace qar
