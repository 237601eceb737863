#pragma once

#include <string>
#include <string_view>

namespace qar
{

// Every file the tool writes goes through these, so that a reader (the server, another copy of the
// tool) and a crash or power cut find either the complete old file or the complete new one.

/// Replaces the whole content of `path` by `bytes` (written as they are). A file being replaced keeps
/// its permissions; a symbolic link is followed. False, with the old file untouched, when the folder
/// is missing or not writable or the disk is full.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

/// Copies `from` over `to` the same way; false when `from` cannot be read or `to` not written.
bool CopyFileAtomically(const std::string& from, const std::string& to);

/// Moves `from` to `to`, replacing `to`. Across file systems it copies, then removes `from`; on any
/// failure both files stay as they were.
bool MoveFileReplacing(const std::string& from, const std::string& to);

} // namespace qar
