#include "NamePool.h"

#include "org/UserForm.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utrans.h>

#include <cctype>
#include <memory>
#include <stdexcept>

namespace qar
{

namespace
{

using Table = std::vector<std::pair<const char*, const char*>>;

const Table kSurnames = {
    {"王", "wang"}, {"李", "li"},    {"张", "zhang"}, {"刘", "liu"},      {"陈", "chen"},  {"杨", "yang"},
    {"赵", "zhao"}, {"黄", "huang"}, {"周", "zhou"},  {"吴", "wu"},       {"徐", "xu"},    {"孙", "sun"},
    {"胡", "hu"},   {"朱", "zhu"},   {"高", "gao"},   {"林", "lin"},      {"何", "he"},    {"郭", "guo"},
    {"马", "ma"},   {"罗", "luo"},   {"梁", "liang"}, {"宋", "song"},     {"郑", "zheng"}, {"谢", "xie"},
    {"韩", "han"},  {"唐", "tang"},  {"冯", "feng"},  {"欧阳", "ouyang"},
};

const Table kGiven = {
    {"伟", "wei"},      {"芳", "fang"},       {"娜", "na"},        {"敏", "min"},       {"静", "jing"},
    {"丽", "li"},       {"强", "qiang"},      {"磊", "lei"},       {"军", "jun"},       {"洋", "yang"},
    {"勇", "yong"},     {"艳", "yan"},        {"杰", "jie"},       {"娟", "juan"},      {"涛", "tao"},
    {"明", "ming"},     {"超", "chao"},       {"秀英", "xiuying"}, {"霞", "xia"},       {"平", "ping"},
    {"刚", "gang"},     {"桂英", "guiying"},  {"华", "hua"},       {"玉兰", "yulan"},   {"红", "hong"},
    {"鹏", "peng"},     {"辉", "hui"},        {"宇", "yu"},        {"建国", "jianguo"}, {"晓东", "xiaodong"},
    {"海燕", "haiyan"}, {"志强", "zhiqiang"},
};

const Table kLatinFirst = {
    {"Anna", "anna"},   {"Peter", "peter"}, {"Maria", "maria"},   {"John", "john"},   {"Laura", "laura"},
    {"David", "david"}, {"Sofia", "sofia"}, {"Lucas", "lucas"},   {"Emma", "emma"},   {"Oliver", "oliver"},
    {"Chloe", "chloe"}, {"Noah", "noah"},   {"Hannah", "hannah"}, {"Mateo", "mateo"}, {"Ines", "ines"},
};

const Table kLatinLast = {
    {"Schmidt", "schmidt"}, {"Smith", "smith"},   {"Martin", "martin"}, {"Rossi", "rossi"}, {"Garcia", "garcia"},
    {"Novak", "novak"},     {"Jensen", "jensen"}, {"Dubois", "dubois"}, {"Costa", "costa"}, {"Nowak", "nowak"},
    {"Tanaka", "tanaka"},   {"Okafor", "okafor"}, {"Larsen", "larsen"}, {"Silva", "silva"}, {"Becker", "becker"},
};

const Table kUnits = {
    {"研发部", "R&D"},          {"销售部", "Sales"},           {"市场部", "Marketing"},
    {"财务部", "Finance"},      {"人事部", "Human Resources"}, {"行政部", "Administration"},
    {"技术支持部", "Support"},  {"采购部", "Purchasing"},      {"生产部", "Production"},
    {"质量部", "Quality"},      {"法务部", "Legal"},           {"客服中心", "Service Desk"},
    {"信息中心", "IT"},         {"物流部", "Logistics"},       {"培训中心", "Training"},
    {"项目组", "Project Team"},
};

const Table kDuties = {
    {"工程师", "Engineer"}, {"经理", "Manager"},  {"主管", "Supervisor"}, {"会计", "Accountant"},
    {"助理", "Assistant"},  {"总监", "Director"}, {"专员", "Specialist"}, {"顾问", "Consultant"},
};

const Table kRoles = {
    {"默认", "Default"},           {"普通员工", "Staff"}, {"部门经理", "Department Manager"},
    {"总经理", "General Manager"}, {"客服", "Service"},   {"访客", "Guest"},
};

const Table kGroups = {
    {"总公司", "Head Office"},      {"华东分公司", "East Branch"}, {"华南分公司", "South Branch"},
    {"华北分公司", "North Branch"}, {"西部分公司", "West Branch"}, {"海外事业部", "Overseas Division"},
};

// Converts UTF-8 text into the code page, holding the ICU objects for all the pieces of a pool.
class Encoder
{
public:
    explicit Encoder(CodePage cp) : m_cp(cp)
    {
        if (cp == CodePage::Utf8) {
            return;
        }
        UErrorCode err = U_ZERO_ERROR;
        m_cnv.reset(ucnv_open(IcuConverterName(cp), &err));
        if (cp == CodePage::Big5) {
            // Big5 has only traditional characters: "张" would come out as a substitution byte.
            m_trans.reset(utrans_openU(u"Hans-Hant", -1, UTRANS_FORWARD, nullptr, 0, nullptr, &err));
        }
        if (U_FAILURE(err)) {
            throw std::runtime_error(std::string("cannot open the code page converter: ") + u_errorName(err));
        }
    }

    std::string operator()(const std::string& utf8) const
    {
        if (m_cp == CodePage::Utf8) {
            return utf8;
        }
        UErrorCode err = U_ZERO_ERROR;
        std::u16string text(utf8.size() * 2 + 8, u'\0');
        int32_t length = 0;
        u_strFromUTF8(text.data(), static_cast<int32_t>(text.size()), &length, utf8.c_str(),
                      static_cast<int32_t>(utf8.size()), &err);
        if (m_trans) {
            int32_t limit = length;
            utrans_transUChars(m_trans.get(), text.data(), &length, static_cast<int32_t>(text.size()), 0, &limit, &err);
        }
        std::string out(static_cast<std::size_t>(length) * 4 + 8, '\0');
        const int32_t n =
            ucnv_fromUChars(m_cnv.get(), out.data(), static_cast<int32_t>(out.size()), text.data(), length, &err);
        if (U_FAILURE(err)) {
            throw std::runtime_error(std::string("cannot convert generated names: ") + u_errorName(err));
        }
        out.resize(static_cast<std::size_t>(n));
        return out;
    }

private:
    struct TransCloser
    {
        void operator()(UTransliterator* t) const { utrans_close(t); }
    };
    struct ConverterCloser
    {
        void operator()(UConverter* c) const { ucnv_close(c); }
    };

    CodePage m_cp;
    std::unique_ptr<UConverter, ConverterCloser> m_cnv;
    std::unique_ptr<UTransliterator, TransCloser> m_trans;
};

std::vector<NamePool::Piece> convertAll(const Encoder& encode, const Table& table)
{
    std::vector<NamePool::Piece> pieces;
    pieces.reserve(table.size());
    for (const auto& [text, latin] : table) {
        pieces.push_back({encode(text), latin});
    }
    return pieces;
}

} // namespace

NamePool::NamePool(CodePage cp) : m_cp(cp)
{
    const Encoder encode(cp);
    m_surnames = convertAll(encode, kSurnames);
    m_given = convertAll(encode, kGiven);
    m_units = convertAll(encode, kUnits);
    m_duties = convertAll(encode, kDuties);
    m_roles = convertAll(encode, kRoles);
    m_groups = convertAll(encode, kGroups);
}

NamePool::Person NamePool::person(std::mt19937& rng, std::int32_t id) const
{
    const auto pick = [&rng](const auto& table) -> const auto&
    {
        return table[std::uniform_int_distribution<std::size_t>(0, table.size() - 1)(rng)];
    };
    Person p;
    if (std::uniform_int_distribution<int>(0, 9)(rng) < 7) {
        const Piece& surname = pick(m_surnames);
        const Piece& given = pick(m_given);
        p.name = surname.text + given.text;
        p.email = given.latin + "." + surname.latin;
    } else {
        const auto& first = pick(kLatinFirst);
        const auto& last = pick(kLatinLast);
        p.name = std::string(first.first) + " " + last.first;
        p.email = std::string(first.second) + "." + last.second;
    }
    // "na.han10015" puts the first "." too early for the user form's e-mail rule: then no dot at all.
    const std::string mail = std::to_string(id) + "@corp.example";
    if (!IsValidEmail(p.email + mail)) {
        p.email.erase(p.email.find('.'), 1);
    }
    p.email += mail;
    if (!IsValidEmail(p.email)) {
        throw std::logic_error("generated e-mail " + p.email + " breaks the user form's rule");
    }
    return p;
}

std::string NamePool::unit(std::mt19937& rng, int serial) const
{
    const Piece& piece = m_units[std::uniform_int_distribution<std::size_t>(0, m_units.size() - 1)(rng)];
    // Under a Chinese code page most departments carry Chinese names, elsewhere English ones.
    const bool chinese = m_cp != CodePage::Utf8 || serial % 2 == 0;
    return (chinese ? piece.text : piece.latin) + " " + std::to_string(serial);
}

std::string NamePool::group(int id) const
{
    const Piece& piece = m_groups[static_cast<std::size_t>(id - 1) % m_groups.size()];
    std::string name = piece.text;
    if (static_cast<std::size_t>(id) > m_groups.size()) {
        name += " " + std::to_string(id);
    }
    return name;
}

std::string NamePool::duty(std::mt19937& rng) const
{
    return m_duties[std::uniform_int_distribution<std::size_t>(0, m_duties.size() - 1)(rng)].text;
}

std::string NamePool::role(int id) const
{
    return m_roles[static_cast<std::size_t>(id) % m_roles.size()].text;
}

} // namespace qar
