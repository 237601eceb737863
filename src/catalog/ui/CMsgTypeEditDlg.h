#pragma once

#include "catalog/MsgTypeCatalog.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui
{
class CMsgTypeEditDlg;
}

namespace qar::ui
{

class Launcher;

/// The message type form ("Add or modify msg type"): the number list, the name, the mark code with its
/// two option boxes, and "Mask Gen." starting the mask tool when it is installed.
class CMsgTypeEditDlg : public QDialog
{
    Q_OBJECT

public:
    /// Called with the checked entry on OK; false keeps the form open with everything typed.
    using Commit = std::function<bool(const MsgTypeEntry&)>;

    CMsgTypeEditDlg(const MsgTypeFormModel& model, const MsgTypeEntry& entry, Launcher& launcher,
                    QWidget* parent = nullptr);
    ~CMsgTypeEditDlg() override;

    void setCommit(Commit commit) { m_commit = std::move(commit); }
    MsgTypeForm fields() const;
    const MsgTypeEntry& entry() const { return m_entry; }

public slots:
    void accept() override;

private:
    void load(const MsgTypeForm& form);
    void boxClicked(MarkBox box);
    void showError(const CatalogFormError<MsgTypeField>& error);
    void startMaskTool();

    std::unique_ptr<Ui::CMsgTypeEditDlg> m_ui;
    const MsgTypeFormModel& m_model;
    Launcher& m_launcher;
    Commit m_commit;
    MsgTypeEntry m_entry;
};

} // namespace qar::ui
