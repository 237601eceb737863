#include "intake/IntakePlan.h"

#include "intake/CsvFormat.h"
#include "intake/UnitRowRules.h"
#include "org/UnitForm.h"
#include "org/UserForm.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace qar
{

namespace
{

constexpr int kMaxParentLinks = 32;

bool blank(std::string_view text)
{
    return text.find_first_not_of(' ') == std::string_view::npos;
}

struct UnitInfo
{
    std::string name;
    std::int32_t superId = 0;
    std::uint8_t level = 0;
    std::int32_t group = 0;
    bool stored = false; ///< the database holds it
};

/// One row being planned: its sheet, line and typed cells.
class RowCursor
{
public:
    RowCursor(const IntakeSheet& sheet, std::size_t row) : m_sheet(sheet), m_row(row) {}

    std::uint32_t line() const { return m_sheet.sheet->row(m_row).line; }
    /// The cell of a field, an escaped formula text undone; empty when the sheet lacks the column.
    std::string_view cell(std::size_t field) const
    {
        const int column = m_sheet.mapping.columnOf(field);
        return column < 0 ? std::string_view()
                          : UnescapeFormulaText(m_sheet.sheet->cell(m_row, static_cast<std::size_t>(column)));
    }
    bool given(std::size_t field) const { return !blank(cell(field)); }
    /// Whether the sheet has a column for the field at all.
    bool mapped(std::size_t field) const { return m_sheet.mapping.has(field); }
    std::string header(std::size_t field) const
    {
        const int column = m_sheet.mapping.columnOf(field);
        return column < 0 ? std::string(Column(m_sheet.kind, field).header)
                          : std::string(m_sheet.sheet->cell(0, static_cast<std::size_t>(column)));
    }

private:
    const IntakeSheet& m_sheet;
    std::size_t m_row;
};

} // namespace

std::size_t IntakePlan::toAdd() const
{
    return static_cast<std::size_t>(
        std::count_if(units.begin(), units.end(), [](const PlannedUnit& u) { return !u.update; }) +
        std::count_if(users.begin(), users.end(), [](const PlannedUser& u) { return !u.update; }));
}

std::size_t IntakePlan::toUpdate() const
{
    return units.size() + users.size() - toAdd();
}

std::string IntakePlan::summary() const
{
    return IntakeText(str::kIntakeSummary,
                      {std::to_string(rowsRead), std::to_string(toAdd()), std::to_string(toUpdate()),
                       std::to_string(unchanged), std::to_string(skipped), std::to_string(refused + existing)});
}

std::vector<IntakeSheet> SheetsOf(const IntakeFile& file, IntakePlan& plan, std::optional<SheetKind> kind)
{
    std::vector<IntakeSheet> sheets;
    for (const Sheet& sheet : file.sheets) {
        const std::string source = file.sourceOf(sheet);
        if (sheet.rowCount() == 0) {
            // An empty extra sheet of a workbook is no problem; an empty CSV file is.
            if (file.format == SpreadsheetFormat::Csv) {
                plan.problems.push_back({source, 0, {}, str::kIntakeEmptySheet, {sheet.name}});
                plan.fileProblem = true;
            }
            continue;
        }
        const std::optional<SheetKind> guessed = kind ? kind : GuessSheetKind(sheet);
        if (!guessed) {
            plan.problems.push_back({source, 0, {}, str::kIntakeUnknownSheet, {sheet.name}});
            plan.fileProblem = true;
            continue;
        }
        ColumnMapping mapping = MapHeader(*guessed, sheet);
        if (const auto missing = MissingRequiredColumn(mapping)) {
            plan.problems.push_back({source,
                                     0,
                                     {},
                                     str::kIntakeMissingColumn,
                                     {sheet.name, std::string(Column(*guessed, *missing).header)}});
            plan.fileProblem = true;
            continue;
        }
        sheets.push_back(IntakeSheet{&sheet, *guessed, std::move(mapping), source, file.encoding});
    }
    std::stable_sort(sheets.begin(), sheets.end(), [](const IntakeSheet& a, const IntakeSheet& b) {
        return a.kind == SheetKind::Units && b.kind == SheetKind::Users;
    });
    return sheets;
}

struct IntakePlanner::State
{
    const OrgData& data;
    IntakeOptions options;
    UserRowRules rules;
    IntakePlan plan;
    std::vector<std::int32_t> groupIds;
    std::unordered_map<std::int32_t, GroupRecord> groups;
    std::unordered_map<std::int32_t, UnitInfo> units;
    std::unordered_map<std::int32_t, int> childUnits; ///< stored units per parent
    std::unordered_map<std::int32_t, int> unitUsers;  ///< stored users per unit
    std::unordered_map<std::int32_t, std::size_t> storedUnits;
    std::unordered_map<std::int32_t, std::size_t> storedUsers;
    std::unordered_map<std::int32_t, bool> users; ///< ids held, stored or planned
    std::unordered_map<std::string, int> mobiles;
    std::unordered_map<std::string, int> emails;
    std::unordered_map<std::string, int> duties;
    std::unordered_map<std::int32_t, int> groupUserCount;

    // Without rules of its own (a units-only caller) the planner takes the user editor's.
    State(const OrgData& d, IntakeOptions o, UserRowRules r)
        : data(d), options(std::move(o)), rules(r ? std::move(r) : EditorUserRowRules())
    {
        for (const GroupRecord& g : data.groups) {
            groupIds.push_back(g.id);
            groups.emplace(g.id, g);
        }
        for (const UnitRecord& u : data.units) {
            // The first row of an id answers, as the editors' scans do.
            units.emplace(u.id, UnitInfo{u.name, u.superId, u.level, u.group, true});
            storedUnits.emplace(u.id, static_cast<std::size_t>(&u - data.units.data()));
            ++childUnits[u.superId];
        }
        users.reserve(data.users.size());
        for (std::size_t i = 0; i < data.users.size(); ++i) {
            const UserRecord& u = data.users[i];
            storedUsers.emplace(u.id, i);
            users.emplace(u.id, true);
            ++unitUsers[u.unit];
            countValues(u, +1);
            if (units.count(u.unit) != 0) {
                ++groupUserCount[u.group];
            }
        }
    }

    void countValues(const UserRecord& u, int delta)
    {
        const auto bump = [delta](std::unordered_map<std::string, int>& set, const std::string& v) {
            if (!v.empty()) {
                set[v] += delta;
            }
        };
        bump(mobiles, u.mobile);
        bump(emails, u.email);
        bump(duties, u.duty);
    }

    static bool holds(const std::unordered_map<std::string, int>& set, std::string_view v)
    {
        const auto it = set.find(std::string(v));
        return it != set.end() && it->second > 0;
    }

    void problem(const IntakeSheet& s, const RowCursor& row, std::optional<std::size_t> field, int id,
                 std::vector<std::string> args = {})
    {
        plan.problems.push_back(
            {s.source, row.line(), field ? row.header(*field) : std::string(), id, std::move(args)});
        ++plan.refused;
    }

    /// A whole number of a column the forms do not hold; nullopt (and a problem) when it is not one.
    std::optional<long long> number(const IntakeSheet& s, const RowCursor& row, std::size_t field, long long fallback,
                                    long long min, long long max)
    {
        const std::string_view text = row.cell(field);
        if (blank(text)) {
            return fallback;
        }
        const auto value = ReadWholeNumber(text);
        if (!value) {
            problem(s, row, field, str::kRowNotNumber, {std::string(text)});
            return std::nullopt;
        }
        if (*value < min || *value > max) {
            problem(s, row, field, str::kRowValueRange, {std::string(text), std::to_string(min), std::to_string(max)});
            return std::nullopt;
        }
        return value;
    }

    bool rowReadable(const IntakeSheet& s, std::size_t r, const RowCursor& row)
    {
        const SheetRow& sr = s.sheet->row(r);
        if (sr.issue == RowIssue::BadEncoding) {
            problem(s, row, std::nullopt, str::kRowBadEncoding, {FileEncodingName(s.encoding)});
            return false;
        }
        if (sr.issue == RowIssue::ByteOrderMark) {
            problem(s, row, std::nullopt, str::kRowByteOrderMark);
            return false;
        }
        const std::uint32_t headerCells = s.sheet->row(0).cellCount;
        for (std::uint32_t c = headerCells; c < sr.cellCount; ++c) {
            if (!s.sheet->cell(r, c).empty()) {
                problem(s, row, std::nullopt, str::kRowTooManyCells,
                        {std::to_string(sr.cellCount), std::to_string(headerCells)});
                return false;
            }
        }
        return true;
    }

    bool textsFit(const IntakeSheet& s, const RowCursor& row, std::initializer_list<std::size_t> fields)
    {
        for (std::size_t f : fields) {
            if (row.cell(f).size() > kMaxTextBytes) {
                problem(s, row, f, str::kRowTextTooLong);
                return false;
            }
        }
        return true;
    }

    bool groupAllowed(std::int32_t group) const
    {
        const auto& allowed = options.allowedGroups;
        return allowed.empty() || std::find(allowed.begin(), allowed.end(), group) != allowed.end();
    }

    /// Handles a row whose id the database holds, by the mode. True when the row goes on as an edit.
    bool existingRow(const IntakeSheet& s, const RowCursor& row, bool& stop)
    {
        stop = true;
        switch (options.onExisting) {
        case OnExisting::Stop:
            plan.problems.push_back({s.source, row.line(), row.header(0), str::kRowExistsStop, {}});
            ++plan.existing;
            return false;
        case OnExisting::Skip:
            ++plan.skipped;
            return false;
        case OnExisting::Update:
            stop = false;
            return true;
        }
        return false;
    }

    void planUnit(const IntakeSheet& s, std::size_t r);
    void planUser(const IntakeSheet& s, std::size_t r);
};

void IntakePlanner::State::planUnit(const IntakeSheet& s, std::size_t r)
{
    const RowCursor row(s, r);
    const auto f = [](UnitColumn c) { return static_cast<std::size_t>(c); };
    if (!rowReadable(s, r, row) ||
        !textsFit(s, row, {f(UnitColumn::Name), f(UnitColumn::Alias), f(UnitColumn::Password)})) {
        return;
    }
    const auto parent = number(s, row, f(UnitColumn::Parent), 0, 0, INT32_MAX);
    const auto group =
        parent ? number(s, row, f(UnitColumn::Group), options.defaultGroup, INT32_MIN, INT32_MAX) : std::nullopt;
    const auto level = group ? number(s, row, f(UnitColumn::Level), -1, 0, 255) : std::nullopt;
    const auto enabled = level ? number(s, row, f(UnitColumn::Enabled), 1, 0, 1) : std::nullopt;
    const auto publicAccount = enabled ? number(s, row, f(UnitColumn::PublicAccount), 0, 0, 1) : std::nullopt;
    const auto attributes =
        publicAccount ? number(s, row, f(UnitColumn::Attributes), 0, INT32_MIN, UINT32_MAX) : std::nullopt;
    const auto olTime = attributes ? number(s, row, f(UnitColumn::OnlineTime), 0, INT32_MIN, INT32_MAX) : std::nullopt;
    if (!olTime) {
        return;
    }
    const std::string_view idText = row.cell(f(UnitColumn::Id));
    const auto id = ReadWholeNumber(idText);
    const auto known = id ? units.find(static_cast<std::int32_t>(*id)) : units.end();
    const bool stored = known != units.end() && known->second.stored && *id == known->first;
    bool edit = false;
    if (stored) {
        bool stop = false;
        edit = existingRow(s, row, stop);
        if (stop) {
            return;
        }
    }
    const auto parentId = static_cast<std::int32_t>(*parent);
    const auto groupId = static_cast<std::int32_t>(*group);

    // The form's lists hold only the units this row can meet: its parent's chain (for the parent entry
    // and the edit's "not below itself" rule) and a unit already holding its id (for uniqueness).
    std::vector<UnitRow> near;
    if (known != units.end()) {
        const UnitInfo& k = known->second;
        near.push_back({known->first, k.name, k.superId, k.level, true, false, {}, k.group});
    }
    std::int32_t link = parentId;
    for (int step = 0; step < kMaxParentLinks && link > 0; ++step) {
        const auto it = units.find(link);
        if (it == units.end()) {
            break;
        }
        near.push_back(
            {link, it->second.name, it->second.superId, it->second.level, true, false, {}, it->second.group});
        if (it->second.superId == link) {
            break;
        }
        link = it->second.superId;
    }
    UnitFormSetup setup;
    setup.editMode = edit;
    setup.parentId = parentId;
    setup.groupId = groupId;
    setup.editedCode = edit ? static_cast<std::int32_t>(*id) : 0;
    const UnitFormModel model(setup, near, groupIds, std::string());
    UnitForm form = model.initialForm();
    form.department = std::string(row.cell(f(UnitColumn::Name)));
    form.codeText = std::string(idText);
    form.weightText = row.given(f(UnitColumn::Weight)) ? std::string(row.cell(f(UnitColumn::Weight))) : "0";
    form.attribute = static_cast<std::int32_t>(static_cast<std::uint32_t>(*attributes));
    form.valided = *enabled != 0;
    form.publicAccount = *publicAccount != 0;
    form.alias = std::string(row.cell(f(UnitColumn::Alias)));
    // An export leaves passwords out unless asked: a sheet without the column keeps the stored one.
    form.password = !row.mapped(f(UnitColumn::Password)) && edit
                        ? data.units[storedUnits[static_cast<std::int32_t>(*id)]].password
                        : std::string(row.cell(f(UnitColumn::Password)));
    form.groupIndex = -1;
    for (std::size_t i = 0; i < model.groupEntries().size(); ++i) {
        if (model.groupEntries()[i].data == groupId) {
            form.groupIndex = static_cast<int>(i);
        }
    }
    bool parentListed = parentId == 0;
    form.parentIndex = 0;
    for (std::size_t i = 1; i < model.parentEntries().size() && parentId != 0; ++i) {
        if (model.parentEntries()[i].data == parentId) {
            form.parentIndex = static_cast<int>(i);
            parentListed = true;
        }
    }
    auto verdict = JudgeUnitForm(model, form);
    if (UnitRowVerdict* refused = std::get_if<UnitRowVerdict>(&verdict)) {
        problem(s, row, f(refused->column), refused->messageId, std::move(refused->args));
        return;
    }
    const ValidUnit& unit = std::get<ValidUnit>(verdict);
    if (!parentListed) {
        const bool exists = units.count(parentId) != 0;
        problem(s, row, f(UnitColumn::Parent), exists ? str::kRowParentBelow : str::kRowParentMissing,
                {std::to_string(parentId)});
        return;
    }
    const int newLevel = unit.parentLevel + 1;
    if (*level >= 0 && *level != newLevel) {
        problem(s, row, f(UnitColumn::Level), str::kRowLevelMismatch,
                {std::to_string(*level), std::to_string(newLevel)});
        return;
    }
    if (!groupAllowed(unit.groupId)) {
        problem(s, row, f(UnitColumn::Group), str::kRowGroupNotAllowed, {std::to_string(unit.groupId)});
        return;
    }
    if (edit) {
        const UnitInfo& old = known->second;
        const bool moves = unit.parentId != old.superId || unit.groupId != old.group || newLevel != old.level;
        if (moves && (childUnits[unit.code] > 0 || unitUsers[unit.code] > 0)) {
            problem(s, row, f(UnitColumn::Parent), str::kRowMoveWithContent);
            return;
        }
    }
    UnitRecord record{unit.code,
                      unit.name,
                      unit.parentId,
                      static_cast<std::uint8_t>(newLevel),
                      unit.valided,
                      unit.publicAccount,
                      static_cast<std::int32_t>(*olTime),
                      unit.alias,
                      unit.password,
                      unit.groupId,
                      unit.attribute,
                      std::nullopt};
    if (data.unitWeight) {
        record.weight = unit.weight;
    }
    units[unit.code] = UnitInfo{unit.name, unit.parentId, static_cast<std::uint8_t>(newLevel), unit.groupId, edit};
    if (edit && data.units[storedUnits[unit.code]] == record) {
        ++plan.unchanged;
        return;
    }
    plan.units.push_back(PlannedUnit{std::move(record), edit, row.line()});
}

void IntakePlanner::State::planUser(const IntakeSheet& s, std::size_t r)
{
    const RowCursor row(s, r);
    const auto f = [](UserColumn c) { return static_cast<std::size_t>(c); };
    if (!rowReadable(s, r, row)) {
        return;
    }
    const auto unit = number(s, row, f(UserColumn::Unit), 0, INT32_MIN, INT32_MAX);
    const auto group = unit ? number(s, row, f(UserColumn::Group), -1, INT32_MIN, INT32_MAX) : std::nullopt;
    const auto role = group ? number(s, row, f(UserColumn::Role), 0, 0, 255) : std::nullopt;
    const auto status = role ? number(s, row, f(UserColumn::Status), 1, INT32_MIN, INT32_MAX) : std::nullopt;
    if (status && (*status < 1 || *status > 3)) {
        problem(s, row, f(UserColumn::Status), str::kRowStatusRange);
        return;
    }
    const auto power = status ? number(s, row, f(UserColumn::Privileges), 0, INT32_MIN, UINT32_MAX) : std::nullopt;
    const auto olTime = power ? number(s, row, f(UserColumn::OnlineTime), 0, INT32_MIN, INT32_MAX) : std::nullopt;
    const auto score = olTime ? number(s, row, f(UserColumn::Score), 0, INT32_MIN, INT32_MAX) : std::nullopt;
    const auto machine = score ? number(s, row, f(UserColumn::MachineId), 0, INT32_MIN, INT32_MAX) : std::nullopt;
    if (!machine) {
        return;
    }
    const std::string_view idText = row.cell(f(UserColumn::Id));
    const auto id = ReadWholeNumber(idText);
    const auto storedIt = id ? storedUsers.find(static_cast<std::int32_t>(*id)) : storedUsers.end();
    const bool stored = storedIt != storedUsers.end() && *id == storedIt->first;
    UserRowSetup setup;
    setup.accountMode = options.accountMode;
    if (stored) {
        bool stop = false;
        setup.editMode = existingRow(s, row, stop);
        if (stop) {
            return;
        }
        const UserRecord& old = data.users[storedIt->second];
        setup.storedId = old.id;
        setup.storedEmail = old.email;
        setup.storedMobile = old.mobile;
        setup.storedDuty = old.duty;
    }
    UserRowInput in;
    UserForm& typed = in.typed;
    typed.userIdText = std::string(idText);
    typed.name = std::string(row.cell(f(UserColumn::Name)));
    // An export leaves passwords out unless asked: a sheet without the column keeps the stored one, as it
    // is stored (the password method was applied when it was written).
    const bool keepPassword = stored && !row.mapped(f(UserColumn::Password));
    typed.password =
        keepPassword ? data.users[storedIt->second].password : std::string(row.cell(f(UserColumn::Password)));
    typed.duty = std::string(row.cell(f(UserColumn::Duty)));
    typed.email = std::string(row.cell(f(UserColumn::Email)));
    typed.mobile = std::string(row.cell(f(UserColumn::Mobile)));
    typed.weightText = row.given(f(UserColumn::Weight)) ? std::string(row.cell(f(UserColumn::Weight))) : "0";
    in.unit = static_cast<std::int32_t>(*unit);
    if (const auto it = units.find(in.unit); it != units.end()) {
        in.unitExists = true;
        in.unitName = it->second.name;
        in.unitGroup = it->second.group;
    }
    in.role = static_cast<std::uint8_t>(*role);
    in.status = static_cast<std::uint8_t>(*status);
    typed.power = static_cast<std::uint32_t>(*power);
    typed.olTime = static_cast<std::int32_t>(*olTime);
    typed.score = static_cast<std::int32_t>(*score);
    UserRowTaken taken;
    taken.id = id && users.count(static_cast<std::int32_t>(*id)) != 0;
    taken.mobile = holds(mobiles, typed.mobile);
    taken.email = holds(emails, typed.email);
    taken.duty = holds(duties, typed.duty);

    const UserRowVerdict v = rules.check(in, setup, taken);
    if (v.messageId == str::kDepartmentNotAssigned && row.given(f(UserColumn::Unit))) {
        // The form can only say no department was chosen; the file named one that is not there.
        problem(s, row, f(UserColumn::Unit), str::kRowUnitMissing, {std::to_string(in.unit)});
        return;
    }
    if (v.messageId != 0) {
        std::vector<std::string> args;
        if (!v.arg1.empty()) {
            args = {v.arg1, v.arg2};
        }
        problem(s, row, f(v.column), v.messageId, std::move(args));
        return;
    }
    if (*group >= 0 && *group != v.group) {
        problem(s, row, f(UserColumn::Group), str::kRowGroupMismatch,
                {std::to_string(*group), std::to_string(in.unit), std::to_string(v.group)});
        return;
    }
    if (!groupAllowed(v.group)) {
        problem(s, row, f(UserColumn::Unit), str::kRowGroupNotAllowed, {std::to_string(v.group)});
        return;
    }
    const UserRecord* old = stored ? &data.users[storedIt->second] : nullptr;
    const bool joinsGroup = old == nullptr || old->group != v.group || units.count(old->unit) == 0;
    if (joinsGroup) {
        const auto g = groups.find(v.group);
        const int limit = g != groups.end() ? g->second.count : 0;
        if (limit >= 1 && groupUserCount[v.group] >= limit) {
            problem(s, row, f(UserColumn::Unit), str::kUserAmountAtLimit);
            return;
        }
    }
    UserRecord record{
        v.id,         keepPassword ? typed.password : rules.storedPassword(options.passwordMethod, typed.password),
        typed.name,   static_cast<std::int32_t>(*machine),
        v.power,      typed.email,
        typed.mobile, in.unit,
        typed.duty,   v.status,
        typed.olTime, typed.score,
        v.role,       v.group,
        std::nullopt};
    if (data.userWeight) {
        record.weight = v.weight;
    }
    users[record.id] = true;
    if (old != nullptr && *old == record) {
        ++plan.unchanged;
        return;
    }
    if (old != nullptr) {
        countValues(*old, -1);
    }
    countValues(record, +1);
    if (joinsGroup) {
        ++groupUserCount[v.group];
    }
    plan.users.push_back(PlannedUser{std::move(record), setup.editMode, row.line()});
}

IntakePlanner::IntakePlanner(const OrgData& data, IntakeOptions options, UserRowRules userRules)
    : m_state(std::make_unique<State>(data, std::move(options), std::move(userRules)))
{}

IntakePlanner::~IntakePlanner() = default;

void IntakePlanner::addFileProblems(const IntakeFile& file)
{
    for (const IntakeProblem& p : file.problems) {
        m_state->plan.problems.push_back(p);
        m_state->plan.fileProblem = true;
    }
}

void IntakePlanner::plan(const IntakeSheet& sheet)
{
    for (std::size_t r = 1; r < sheet.sheet->rowCount(); ++r) {
        if (sheet.sheet->rowIsEmpty(r)) {
            ++m_state->plan.emptyRows;
            continue;
        }
        ++m_state->plan.rowsRead;
        if (sheet.kind == SheetKind::Units) {
            m_state->planUnit(sheet, r);
        } else {
            m_state->planUser(sheet, r);
        }
    }
}

IntakePlan IntakePlanner::take()
{
    return std::move(m_state->plan);
}

} // namespace qar
