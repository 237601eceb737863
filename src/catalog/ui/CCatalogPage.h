#pragma once

#include "app/ui/CAdminPage.h"
#include "catalog/ui/CatalogListModel.h"

#include <optional>
#include <string>

class QMenu;
class QPushButton;
class QTreeView;

namespace qar::ui
{

class Launcher;

/// What the applications, message types and websites pages share: a list sorted by its first column
/// over the core catalogue, Add, Edit, Delete and Refresh as buttons and as a context menu, Edit and
/// Delete enabled only while a row is selected, and the list read again when the page is shown and its file
/// changed.
class CCatalogPage : public CAdminPage
{
    Q_OBJECT

public:
    ~CCatalogPage() override;

    /// Reads the file again and shows it, keeping the selected entry selected when it is still there.
    void refresh() override;
    /// Who starts programs and documents (the desktop by default; tests record it instead).
    void setLauncher(Launcher* launcher) { m_launcher = launcher; }

    /// The row the commands work on: the first selected one, nullopt when none is.
    std::optional<std::size_t> firstSelectedRow() const;
    void selectRow(std::size_t row);
    /// The context menu for the current selection (the caller owns it).
    QMenu* createContextMenu();

    virtual void addEntry() = 0;
    virtual void editEntry() = 0;
    virtual void deleteEntry() = 0;

protected:
    explicit CCatalogPage(QWidget* parent);

    struct ListWidgets
    {
        QTreeView* view = nullptr;
        QPushButton* add = nullptr;
        QPushButton* edit = nullptr;
        QPushButton* remove = nullptr;
        QPushButton* refresh = nullptr;
    };
    /// One column per entry of `headerIds` (string ids, 0 for a column without a title) and `widths`
    /// (0 hides the column).
    void setUpList(const ListWidgets& widgets, const QList<int>& headerIds, const QList<int>& widths, bool multiSelect,
                   CatalogListModel::RowCount rows, CatalogListModel::CellText cell);

    /// Reads the catalogue's file into the core catalogue.
    virtual void load() = 0;
    /// The file load() reads.
    virtual std::string catalogPath() const = 0;
    std::optional<std::string> readStamp() override;
    /// Shows the catalogue's rows again, selecting `select` when given.
    void showRows(std::optional<std::size_t> select = std::nullopt);
    /// Message 160 with OK and Cancel, the name and number of the entry in `row` below it; true for OK.
    bool confirmDelete(std::size_t row);
    /// Tells the administrator that `path` could not be written, copied or removed (a message with "%s").
    void reportFileFailure(int messageId, const std::string& path);
    Launcher& launcher();

private:
    void updateButtons();

    ListWidgets m_widgets;
    CatalogListModel* m_model = nullptr;
    Launcher* m_launcher = nullptr;
};

} // namespace qar::ui
