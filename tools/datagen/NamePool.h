#pragma once

#include "platform/Locale.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qar
{

/// Personal, unit and company names for generated data, held as bytes of one ANSI code page: the
/// Chinese pieces are converted once (and turned into traditional characters for Big5), so a name is
/// only a concatenation of ready-made byte strings.
class NamePool
{
public:
    explicit NamePool(CodePage cp);

    struct Person
    {
        std::string name;  ///< display name in the code page
        std::string email; ///< ASCII, unique through the id, valid by the user form's rule
    };

    /// A person: about seven in ten Chinese ("张伟"), the others Latin ("Anna Schmidt").
    Person person(std::mt19937& rng, std::int32_t id) const;
    /// A department name, numbered when the pool runs out ("研发部 12", "Sales 3").
    std::string unit(std::mt19937& rng, int serial) const;
    /// A company or branch name for group `id`.
    std::string group(int id) const;
    /// A job title.
    std::string duty(std::mt19937& rng) const;
    /// The name of role `id` (0 the default role).
    std::string role(int id) const;

    struct Piece
    {
        std::string text;  ///< in the code page
        std::string latin; ///< pinyin or Latin spelling, for e-mail addresses and English names
    };

private:
    CodePage m_cp;
    std::vector<Piece> m_surnames;
    std::vector<Piece> m_given;
    std::vector<Piece> m_units;
    std::vector<Piece> m_duties;
    std::vector<Piece> m_roles;
    std::vector<Piece> m_groups;
};

} // namespace qar
