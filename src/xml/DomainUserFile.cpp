#include "xml/DomainUserFile.h"

#include "platform/Paths.h"
#include "xml/CXMarkupFile.h"

#include <cerrno>

namespace qar
{

std::string DomainUserFilePath()
{
    return ProgramPath("\\UserData\\data\\Userx.xml");
}

DomainUserFile::DomainUserFile(std::string path) : m_path(std::move(path))
{
    Load();
}

DomainUserFile::~DomainUserFile()
{
    if (modified) {
        Save();
    }
}

DomainUserRecord* DomainUserFile::FindDomainUser(std::int32_t userId)
{
    for (DomainUserRecord& r : records) {
        if (r.userId == userId) {
            return &r;
        }
    }
    return nullptr;
}

void DomainUserFile::Load()
{
    if (!FileExists(m_path)) {
        return;
    }
    records.clear();
    CXMarkupFile file;
    if (!file.LoadFile(m_path) || !file.FindElement("QAR_USERX") || !file.EnterElement()) {
        return;
    }
    if (file.FindElement("DOMAIN")) {
        domain = file.GetTextForSystem();
    }
    // Searches run forward: a "USERS" standing before "DOMAIN" is not found any more.
    if (file.FindElement("USERS") && file.EnterElement()) {
        while (file.FindElement("U")) {
            DomainUserRecord r;
            r.userId = file.GetAttributeInt("ID");
            r.domainAccount = file.GetAttributeForSystem("DN");
            r.netDiskMb = static_cast<std::uint16_t>(file.GetAttributeInt("UD"));
            if (r.userId > 0) {
                records.push_back(std::move(r));
            }
        }
        file.LeaveElement();
    }
}

void DomainUserFile::Reload()
{
    if (!modified) {
        Load();
    }
}

FileWriteResult DomainUserFile::Save()
{
    modified = false;
    if (!FileExists(m_path)) {
        return {ENOENT};
    }
    CXMarkupFile file;
    file.AddElement("QAR_USERX");
    file.AddChildElement("DOMAIN", domain);
    if (!records.empty()) {
        file.AddChildElement("USERS");
        file.EnterElement();
        for (const DomainUserRecord& r : records) {
            if (r.userId == 0 || (r.domainAccount.empty() && r.netDiskMb == 0)) {
                continue;
            }
            file.AddChildElement("U");
            file.EnterElement();
            file.SetAttribute("ID", std::to_string(r.userId));
            if (!r.domainAccount.empty()) {
                file.SetAttribute("DN", r.domainAccount);
            }
            if (r.netDiskMb != 0) {
                file.SetAttribute("UD", std::to_string(r.netDiskMb));
            }
            file.LeaveElement();
        }
        file.LeaveElement();
    }
    return file.SaveFileChecked(m_path);
}

bool StoreDomainUserData(DomainUserFile& file, std::int32_t userId, const std::string& account, std::uint16_t netDiskMb)
{
    bool changed = false;
    if (DomainUserRecord* r = file.FindDomainUser(userId)) {
        if (r->domainAccount != account) {
            r->domainAccount = account;
            changed = true;
        }
        if (r->netDiskMb != netDiskMb) {
            r->netDiskMb = netDiskMb;
            changed = true;
        }
    } else if (!account.empty() || netDiskMb != 0) {
        file.records.push_back({userId, account, netDiskMb});
        changed = true;
    }
    if (changed) {
        file.modified = true;
    }
    return changed;
}

} // namespace qar
