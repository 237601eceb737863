#pragma once

#include "app/ui/CAdminPage.h"
#include "catalog/CEnvParamModel.h"

#include <memory>

namespace Ui
{
class CEnvParamPage;
}

namespace qar::ui
{

class PageHost;

/// The environment parameters page (form 145): the parameter list with Modify and Refresh. The main
/// window keeps it hidden and refreshes it once at start, so that the editors find the password method
/// and the extended interface field value in it.
class CEnvParamPage : public CAdminPage
{
    Q_OBJECT

public:
    /// Placed in the main window, the page reads its parameter record object; on its own the list stays
    /// empty.
    explicit CEnvParamPage(QWidget* parent = nullptr);
    ~CEnvParamPage() override;

    /// Close and reopen the parameter record object, then load the list and the two values.
    void refresh() override;

    const CEnvParamModel& model() const { return *m_model; }
    const EnvParamValues& values() const { return m_model->values(); }

    /// The values the editors use, from the environment parameters page of `window`; empty values when
    /// there is no window (a form shown on its own).
    static EnvParamValues valuesOf(const PageHost* window);

private:
    void showList();
    void updateButtons();

    std::unique_ptr<Ui::CEnvParamPage> m_ui;
    std::unique_ptr<CEnvParamModel> m_model;
};

} // namespace qar::ui
