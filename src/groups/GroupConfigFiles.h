#pragma once

#include "platform/SafeFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qar
{

/// One of the server's configuration files a group may have for itself.
struct GroupConfigFile
{
    const char* fileName; ///< "QARs.xml" ...
    const char* rootName; ///< root element of a new (skeleton) file
    int frameTextId;      ///< "SP Channel" ...
};

inline constexpr int kGroupConfigFileCount = 3;
/// The service-provider channels, the other enterprise applications' addresses, the multi-role users.
const std::array<GroupConfigFile, kGroupConfigFileCount>& GroupConfigFileTable();

/// Which file a group uses: its own (private) or the one all groups share (public).
enum class ConfigChoice
{
    Unset = -1,
    Private = 0,
    Public = 1,
};

/// A group's configuration files. A group uses its private file exactly when that file lies in the
/// XMLs folder; choosing the public file parks the private one in XMLs_Back (below the program
/// directory), from where choosing private again brings it back. Everything does nothing for group 0.
/// Files are moved whole; a move that fails leaves both files as they were.
class CGroupConfigFiles
{
public:
    explicit CGroupConfigFiles(std::int32_t group) : m_group(group) {}

    std::int32_t group() const { return m_group; }

    std::string publicPath(int index) const;
    std::string privatePath(int index) const;
    std::string parkedPath(int index) const;

    bool PrivateFileExists(int index) const;
    /// Moves a parked file back over the private path; true when it was moved.
    bool RestorePrivateFile(int index) const;
    /// A parked file comes back, otherwise a skeleton is written unless the private file is there. False
    /// when the private file is missing afterwards.
    bool EnsurePrivateFile(int index) const;
    /// Moves the private file to XMLs_Back (made when missing). False when it could not be moved.
    bool ParkPrivateFile(int index) const;

    /// The choices as the files lie on disk: private when the private file exists, else public.
    std::array<ConfigChoice, kGroupConfigFileCount> currentChoices() const;
    /// OK of the form, index 0 to 2 in order: public parks the private file, private makes it available.
    /// Returns the indexes whose change did not happen (the others are done).
    std::vector<int> apply(const std::array<ConfigChoice, kGroupConfigFileCount>& choices) const;

    /// The file "Open File" and "Edit File" act on.
    struct Resolved
    {
        std::string path;
        bool exists = false;
        bool prepareFailed = false; ///< a parked skeleton was needed and could not be written
    };
    /// The public row: the public file as it is. The private row: the private file, else the parked
    /// one, written as a skeleton when there is none, so that a private file can be made ready while the
    /// group still uses the public one (the XMLs folder is not touched then).
    Resolved resolve(int index, ConfigChoice row) const;

private:
    std::int32_t m_group;
};

/// Moves a renumbered group's files to its new number, replacing what the new number had: its property
/// data file (Groupx_<n>.xml) and its private configuration files, in use (XMLs) and parked (XMLs_Back).
/// A private file in use that the new number holds but the old did not is parked, so the group goes on
/// using the public file as before. Returns the files that could not be moved, with the cause; those
/// stay as they were. Nothing for group 0, which has no files.
std::vector<FileFailure> MoveGroupFiles(std::int32_t from, std::int32_t to);

} // namespace qar
