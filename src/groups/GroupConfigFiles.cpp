#include "groups/GroupConfigFiles.h"

#include "groups/GroupProperties.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "resources/StringIds.h"
#include "xml/CXMarkupFile.h"

#include <cerrno>
#include <sys/stat.h>

namespace qar
{

const std::array<GroupConfigFile, kGroupConfigFileCount>& GroupConfigFileTable()
{
    static const std::array<GroupConfigFile, kGroupConfigFileCount> files = {{
        {"QARs.xml", "QAR_SERV", str::kGroupFilesChannel},
        {"AppUrls.xml", "QAR_APPS", str::kGroupFilesAppUrls},
        {"MUser.xml", "QAR_USERS", str::kGroupFilesMultiRole},
    }};
    return files;
}

namespace
{
const char* fileName(int index)
{
    return GroupConfigFileTable()[static_cast<std::size_t>(index)].fileName;
}

bool isRegularFile(const std::string& path)
{
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

/// XMLs_Back below the program directory; an existing folder is fine.
bool makeParkFolder()
{
    const std::string folder = ProgramPath("\\XMLs_Back");
    return ::mkdir(folder.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(folder));
}
} // namespace

std::string CGroupConfigFiles::publicPath(int index) const
{
    return ProgramPath(std::string("\\UserData\\config\\XMLs\\") + fileName(index));
}

std::string CGroupConfigFiles::privatePath(int index) const
{
    return ProgramPath("\\UserData\\config\\XMLs\\" + std::to_string(m_group) + "_" + fileName(index));
}

std::string CGroupConfigFiles::parkedPath(int index) const
{
    return ProgramPath("\\XMLs_Back\\" + std::to_string(m_group) + "_" + fileName(index));
}

bool CGroupConfigFiles::PrivateFileExists(int index) const
{
    return m_group != 0 && isRegularFile(privatePath(index));
}

bool CGroupConfigFiles::RestorePrivateFile(int index) const
{
    if (m_group == 0 || !isRegularFile(parkedPath(index))) {
        return false;
    }
    return MoveFileReplacing(parkedPath(index), privatePath(index));
}

bool CGroupConfigFiles::EnsurePrivateFile(int index) const
{
    if (m_group == 0) {
        return false;
    }
    if (RestorePrivateFile(index) || PrivateFileExists(index)) {
        return true;
    }
    // A parked file that could not come back stays parked: a skeleton must not take its place.
    if (isRegularFile(parkedPath(index))) {
        return false;
    }
    return WriteSkeletonFile(privatePath(index), GroupConfigFileTable()[static_cast<std::size_t>(index)].rootName);
}

bool CGroupConfigFiles::ParkPrivateFile(int index) const
{
    if (m_group == 0) {
        return false;
    }
    if (!PrivateFileExists(index)) {
        return true;
    }
    return makeParkFolder() && MoveFileReplacing(privatePath(index), parkedPath(index));
}

std::array<ConfigChoice, kGroupConfigFileCount> CGroupConfigFiles::currentChoices() const
{
    std::array<ConfigChoice, kGroupConfigFileCount> choices{};
    for (int i = 0; i < kGroupConfigFileCount; ++i) {
        choices[static_cast<std::size_t>(i)] = PrivateFileExists(i) ? ConfigChoice::Private : ConfigChoice::Public;
    }
    return choices;
}

std::vector<int> CGroupConfigFiles::apply(const std::array<ConfigChoice, kGroupConfigFileCount>& choices) const
{
    std::vector<int> failed;
    if (m_group == 0) {
        return failed;
    }
    for (int i = 0; i < kGroupConfigFileCount; ++i) {
        const ConfigChoice c = choices[static_cast<std::size_t>(i)];
        const bool done = c == ConfigChoice::Public ? ParkPrivateFile(i) : EnsurePrivateFile(i);
        if (!done) {
            failed.push_back(i);
        }
    }
    return failed;
}

namespace
{
/// Moves `from` over `to` when it exists; a failure is added to `failures`.
void moveIfPresent(const std::string& from, const std::string& to, std::vector<FileFailure>& failures)
{
    if (!isRegularFile(from)) {
        return;
    }
    if (const FileWriteResult moved = MoveFileChecked(from, to); !moved) {
        failures.push_back({from, moved.error});
    }
}
} // namespace

std::vector<FileFailure> MoveGroupFiles(std::int32_t from, std::int32_t to)
{
    std::vector<FileFailure> failures;
    if (from == 0 || to == 0 || from == to) {
        return failures;
    }
    moveIfPresent(CGroupData::FilePath(from), CGroupData::FilePath(to), failures);
    const CGroupConfigFiles oldFiles(from);
    const CGroupConfigFiles newFiles(to);
    for (int i = 0; i < kGroupConfigFileCount; ++i) {
        // Another group's leftover must not become this group's own file: it is parked first, and this
        // group's own parked file, if any, then takes its place in XMLs_Back.
        if (!oldFiles.PrivateFileExists(i) && newFiles.PrivateFileExists(i)) {
            if (makeParkFolder()) {
                moveIfPresent(newFiles.privatePath(i), newFiles.parkedPath(i), failures);
            } else {
                failures.push_back({newFiles.privatePath(i), errno});
            }
        }
        moveIfPresent(oldFiles.parkedPath(i), newFiles.parkedPath(i), failures);
        moveIfPresent(oldFiles.privatePath(i), newFiles.privatePath(i), failures);
    }
    return failures;
}

CGroupConfigFiles::Resolved CGroupConfigFiles::resolve(int index, ConfigChoice row) const
{
    Resolved r;
    if (row == ConfigChoice::Public) {
        r.path = publicPath(index);
    } else if (PrivateFileExists(index)) {
        r.path = privatePath(index);
    } else {
        r.path = parkedPath(index);
        if (m_group != 0 && !isRegularFile(r.path)) {
            // The skeleton a restore would make, written straight where parking would put it: the server
            // never sees a private file the administrator did not choose.
            r.prepareFailed =
                !makeParkFolder() ||
                !WriteSkeletonFile(r.path, GroupConfigFileTable()[static_cast<std::size_t>(index)].rootName);
        }
    }
    r.exists = isRegularFile(r.path);
    return r;
}

} // namespace qar
