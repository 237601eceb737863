#include "app/FileFailureText.h"

#include "resources/StringIds.h"
#include "resources/StringTable.h"

#include <cerrno>
#include <cstring>

namespace qar
{

std::string FileFailureCause(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return LoadAnsiString(str::kFileCauseNoFolder);
    case EACCES:
    case EPERM:
    case EROFS:
        return LoadAnsiString(str::kFileCauseNotWritable);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return LoadAnsiString(str::kFileCauseDiskFull);
    case EIO:
        return LoadAnsiString(str::kFileCauseDiskFailed);
    default:
        return std::strerror(error);
    }
}

} // namespace qar
