#pragma once

#include "groups/GroupForm.h"
#include "groups/GroupPageModel.h"
#include "org/IndepUsers.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui
{
class CGroupEditDlg;
}

namespace qar::ui
{

class Launcher;

/// Opens a group's account list (the button's caption as its title, the groups as "number - name").
using AccountListOpener = std::function<void(QWidget* parent, AccountListMode mode, const QString& title,
                                             const std::vector<std::string>& groupTexts, std::int32_t group)>;

/// What the group editor works with besides its fields.
struct GroupEditorContext
{
    Launcher* launcher = nullptr;
    bool systemManager = true;
    bool serverInstalled = false; ///< "Set Attributes" is enabled
    bool showDetails = false;     ///< the row of group detail buttons (SvrFlag.dat SP > 0)
    std::vector<std::string> groupTexts;
    /// OK: writes the group. Failed, Changed and NumberTaken keep the editor open; the others close it.
    std::function<GroupStore(const GroupRecord&)> store;
    /// Why the last store failed, for the message's details.
    std::function<QString()> failureDetails;
    /// The property file or the configuration files of the group were saved: a change row follows. A
    /// message id (253) when it could not be written, else 0.
    std::function<int(std::int32_t group)> propertiesSaved;
    std::function<int(std::int32_t group)> filesSaved;
    AccountListOpener openAccountList;
};

/// "Add or Edit Group": the group's number, name, home page, member limit and attributes, and the row
/// of buttons to its property file, configuration files, spreadsheet import and account lists. The
/// side forms act on their own files at once; cancelling the editor does not undo them.
class CGroupEditDlg : public QDialog
{
    Q_OBJECT

public:
    /// `session` is the page's: after another program changed the group, store() leaves the group as it is
    /// stored now in it, and the fields the administrator did not change show those values.
    CGroupEditDlg(GroupEditSession& session, GroupEditorContext context, QWidget* parent = nullptr);
    ~CGroupEditDlg() override;

    GroupFields fields() const;

    // The detail buttons, as they run.
    void setAttributes();
    void propertySetup();
    void fileSetup();
    void dataInput();
    void accountList(AccountListMode mode);

public slots:
    void accept() override;

private:
    /// The fields accepted as numbers, or none after showing the range message.
    std::optional<GroupRecord> acceptFields();
    void showError(const GroupFormError& error);
    void reportMessage(int messageId);
    void showFields(const GroupFields& f);

    std::unique_ptr<Ui::CGroupEditDlg> m_ui;
    GroupEditSession& m_session;
    GroupFormSetup m_setup;
    GroupEditorContext m_context;
    std::uint32_t m_attributes = 0;
    GroupFields m_loaded; ///< what the fields were filled with
};

} // namespace qar::ui
