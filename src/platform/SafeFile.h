#pragma once

#include <string>
#include <string_view>

namespace qar
{

// Every file the tool writes goes through these, so that a reader (the server, another copy of the
// tool) and a crash or power cut find either the complete old file or the complete new one, and a
// save cut short leaves no temporary file behind for long. The contract is in src/platform/README.md.

/// Replaces the whole content of `path` by `bytes` (written as they are). A file being replaced keeps
/// its permissions; a symbolic link is followed. False, with the old file untouched, when the folder
/// is missing or not writable or the disk is full.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

/// Copies `from` over `to` the same way; false when `from` cannot be read or `to` not written.
bool CopyFileAtomically(const std::string& from, const std::string& to);

/// Moves `from` to `to`, replacing `to`. Across file systems it copies, then removes `from`; on any
/// failure both files stay as they were.
bool MoveFileReplacing(const std::string& from, const std::string& to);

/// How a write ended: 0 when it succeeded, else the system error (errno) of the step that failed:
/// ENOENT or ENOTDIR for a missing folder, EACCES, EPERM or EROFS for one that cannot be written,
/// ENOSPC, EDQUOT or EFBIG for a full disk, EIO when the disk failed.
struct FileWriteResult
{
    int error = 0;
    explicit operator bool() const { return error == 0; }
};

/// A file a change could not write, and the system error that stopped it.
struct FileFailure
{
    std::string path;
    int error = 0;

    bool operator==(const FileFailure&) const = default;
};

/// The three writes above, telling why they failed.
FileWriteResult WriteFileChecked(const std::string& path, std::string_view bytes);
FileWriteResult CopyFileChecked(const std::string& from, const std::string& to);
FileWriteResult MoveFileChecked(const std::string& from, const std::string& to);

/// The moments of a save, in order. A save is either complete or not there at all at every one of
/// them; the crash drill and the tests stop a save at each.
enum class SaveStep
{
    Created,      ///< the temporary file exists (unnamed where the file system allows)
    Written,      ///< every byte written
    Synced,       ///< the data is on disk
    Named,        ///< the temporary file has its name in the folder
    Replaced,     ///< renamed over the target
    FolderSynced, ///< the new name is on disk
};

namespace safefile_test
{
/// Calls `observer` at each step of every save of this process (nullptr: none).
void SetStepObserver(void (*observer)(SaveStep));
/// False makes every save take the route of file systems without unnamed temporary files.
void SetUnnamedTemporaryFiles(bool allowed);
} // namespace safefile_test

} // namespace qar
