#pragma once

#include <string>
#include <vector>

namespace qar
{

/// A cheap summary of some files taken before they are read (device, inode, size, modification and
/// change times, or their absence; the content too for a file changed in the last two seconds, whose times
/// might not move for a change within the same tick): equal stamps mean no file was written, replaced,
/// created or removed in between.
std::string ReadFileStamp(const std::vector<std::string>& paths);

} // namespace qar
