#include "org/NetDisk.h"

#include "platform/Paths.h"
#include "resources/StringIds.h"
#include "settings/CProfileFile.h"
#include "xml/DomainUserFile.h"

#include <limits>

namespace qar
{

namespace
{
constexpr int kDefaultNetDiskMb = 32;

CProfileFile envInfo()
{
    return CProfileFile(EnvInfoPath(), "EnvInfo");
}
} // namespace

int ReadDefaultNetDiskMb()
{
    return envInfo().GetInt("m_nMaxUDiskMem_MB", kDefaultNetDiskMb);
}

FileWriteResult WriteDefaultNetDiskMb(int megabytes)
{
    CProfileFile file = envInfo();
    CProfileFile::WriteBatch batch(file);
    file.WriteInt("m_nMaxUDiskMem_MB", megabytes);
    batch.Commit();
    return {batch.error()};
}

NetDiskForm InitialNetDiskForm(std::uint16_t userMb, int defaultMb)
{
    return {userMb != 0, std::to_string(userMb), std::to_string(defaultMb)};
}

std::variant<UserFormError, NetDiskChoice> ValidateNetDiskForm(const NetDiskForm& form)
{
    NetDiskChoice choice;
    if (form.specificSize) {
        const std::optional<long long> size = ReadWholeNumber(form.sizeText);
        if (!size || *size < 0 || *size > 65535) {
            return UserFormError{str::kEnterIntegerRange, UserField::NetDiskSize, true, 0, 65535};
        }
        choice.userMb = static_cast<std::uint16_t>(*size);
    }
    const std::optional<long long> def = ReadWholeNumber(form.defaultText);
    if (!def || *def < 0 || *def > std::numeric_limits<int>::max()) {
        return UserFormError{str::kEnterIntegerRange, UserField::NetDiskDefault, true, 0,
                             std::numeric_limits<int>::max()};
    }
    choice.defaultMb = static_cast<int>(*def);
    return choice;
}

bool StoreSignDomain(DomainUserFile& file, const std::string& domain)
{
    if (file.domain == domain) {
        return false;
    }
    file.domain = domain;
    file.modified = true;
    return true;
}

} // namespace qar
