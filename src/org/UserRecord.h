#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qar
{

/// Every column of a user row: what an edit started from (to tell at OK whether another program changed
/// the row meanwhile), and what import and export read and write.
struct UserRecord
{
    std::int32_t id = 0;
    std::string password;
    std::string name;
    std::int32_t machineId = 0;
    std::int32_t power = 0;
    std::string email;
    std::string mobile;
    std::int32_t unit = 0;
    std::string duty;
    std::uint8_t status = 0;
    std::int32_t olTime = 0;
    std::int32_t score = 0;
    std::uint8_t role = 0;
    std::int32_t group = 0;
    std::optional<std::int32_t> weight; ///< only where the table has the weight column

    bool operator==(const UserRecord&) const = default;
};

} // namespace qar
