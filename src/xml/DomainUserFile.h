#pragma once

#include "platform/SafeFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

/// Program directory + "\UserData\data\Userx.xml".
std::string DomainUserFilePath();

/// One user's data kept outside the database: the Windows domain account the user signs on with and
/// the personal net-disk size (0: the system's default size).
struct DomainUserRecord
{
    std::int32_t userId = 0;
    std::string domainAccount;
    std::uint16_t netDiskMb = 0;
};

/// The domain sign-on users file, held in memory for the whole run. The file is optional: while it does
/// not exist nothing is read and nothing is ever written, so providing it switches the feature on.
/// Callers change `domain` and `records` directly and set `modified`.
class DomainUserFile
{
public:
    /// Stores the path and loads the file.
    explicit DomainUserFile(std::string path);
    /// Saves when modified (a failure cannot be reported any more here).
    ~DomainUserFile();
    DomainUserFile(const DomainUserFile&) = delete;
    DomainUserFile& operator=(const DomainUserFile&) = delete;

    const std::string& path() const { return m_path; }

    /// The first record of the user, nullptr when there is none.
    DomainUserRecord* FindDomainUser(std::int32_t userId);
    /// Re-reads the file; a path that names no file leaves the content as it is.
    void Load();
    /// Re-reads the file unless the object holds changes not saved yet: another program (an import) may
    /// have written it since.
    void Reload();
    /// Clears `modified` and writes the file; false (nothing written, ENOENT) when the file does not
    /// exist, or the cause when it cannot be written.
    FileWriteResult Save();

    bool modified = false;
    std::string domain;
    std::vector<DomainUserRecord> records;

private:
    std::string m_path;
};

/// What the user editor does with a user's extended data on OK: a changed account or size goes into
/// the user's record; without a record, one is appended unless the account is empty and the size 0.
/// Sets `modified` and returns true when anything changed.
bool StoreDomainUserData(DomainUserFile& file, std::int32_t userId, const std::string& account,
                         std::uint16_t netDiskMb);

} // namespace qar
