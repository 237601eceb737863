#include "org/ui/UserEditorRun.h"

#include "app/ui/PageHost.h"
#include "catalog/Roles.h"
#include "catalog/ui/CEnvParamPage.h"
#include "org/UserEditing.h"
#include "org/ui/CUserEditDlg.h"
#include "platform/Paths.h"

namespace qar::ui
{

OrgMessage RunUserEditor(CUnitUserModel& page, PageHost* window, QWidget* parent, bool editMode)
{
    UserEditEnvironment env;
    env.params = CEnvParamPage::valuesOf(window);
    env.roleFile = RoleFilePath();
    env.powerFile = PowerDatPath();
    env.extendedSection = DirectoryExists(ProgramPath("\\UserData\\data"));
    if (window != nullptr) {
        env.domainUsers = &window->domainUsers();
        env.groupUserLimit = [window](std::int32_t group) { return window->GetGroupUserLimit(group); };
    }
    UserEditing editing(page, std::move(env));
    auto start = editMode ? editing.startEditUser() : editing.startAddUser();
    if (const auto* message = std::get_if<OrgMessage>(&start)) {
        return *message; // an empty one ends the command quietly
    }
    UserEditSession& session = std::get<UserEditSession>(start);
    CUserEditDlg form(session, editing.environment().domainUsers, parent);
    if (form.exec() != QDialog::Accepted) {
        return {};
    }
    return editMode ? editing.finishEditUser(session, form.validUser())
                    : editing.finishAddUser(session, form.validUser());
}

} // namespace qar::ui
