#include "intake/ui/CSheetIntakeDlg.h"

#include "app/ui/ActionGuard.h"
#include "app/ui/FileFailureMessage.h"
#include "app/ui/FormKeys.h"
#include "app/ui/MessageService.h"
#include "app/ui/UiText.h"
#include "db/OdbcError.h"
#include "db/WriteFailure.h"
#include "intake/IntakeExport.h"
#include "resources/StringIds.h"
#include "ui_CSheetIntakeDlg.h"
#include "vexnet/VexProtocol.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

#include <algorithm>

namespace qar::ui
{

namespace
{

QString num(std::size_t n)
{
    return QString::number(static_cast<qulonglong>(n));
}

} // namespace

CSheetIntakeDlg::CSheetIntakeDlg(const SheetIntakeArgs& args, CXDatabase& database, Server server, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSheetIntakeDlg>()), m_args(args), m_database(database),
      m_server(std::move(server)), m_session(std::make_unique<IntakeSession>(database, EditorUserRowRules()))
{
    m_ui->setupUi(this);
    applyTextIds(this);
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    m_ui->encodingComboBox->addItem(text(str::kIntakeEncodingDetect), static_cast<int>(FileEncoding::Auto));
    m_ui->encodingComboBox->addItem(QStringLiteral("UTF-8"), static_cast<int>(FileEncoding::Utf8));
    m_ui->encodingComboBox->addItem(QStringLiteral("GBK"), static_cast<int>(FileEncoding::Gbk));
    m_ui->encodingComboBox->addItem(QStringLiteral("Big5"), static_cast<int>(FileEncoding::Big5));
    m_ui->existingComboBox->addItem(text(str::kIntakeExistingStop), static_cast<int>(OnExisting::Stop));
    m_ui->existingComboBox->addItem(text(str::kIntakeExistingSkip), static_cast<int>(OnExisting::Skip));
    m_ui->existingComboBox->addItem(text(str::kIntakeExistingUpdate), static_cast<int>(OnExisting::Update));
    m_ui->exportWhatComboBox->addItem(text(str::kIntakeExportUnits));
    m_ui->exportWhatComboBox->addItem(text(str::kIntakeExportUsers));
    m_ui->exportWhatComboBox->addItem(text(str::kIntakeExportBoth));

    // The groups the main tool passed, or every group of the database; the hand-off goes to group 1.
    // Each is shown with its name where the database has it.
    std::vector<GroupRecord> stored;
    try {
        stored = ReadOrgData(m_database, false).groups;
    } catch (const DbError&) {
    }
    std::vector<std::int32_t> groups = m_args.groups;
    if (groups.empty()) {
        for (const GroupRecord& g : stored) {
            groups.push_back(g.id);
        }
    }
    const std::int32_t selected = m_args.handOff() ? 1 : m_args.selectedGroup;
    for (QComboBox* box : {m_ui->groupComboBox, m_ui->exportGroupComboBox}) {
        for (std::int32_t g : groups) {
            const auto named =
                std::find_if(stored.begin(), stored.end(), [g](const GroupRecord& r) { return r.id == g; });
            box->addItem(named == stored.end() || named->name.empty()
                             ? QString::number(g)
                             : QString::number(g) + QStringLiteral(" ") + fromAnsi(named->name),
                         g);
        }
        box->setCurrentIndex(std::max(0, box->findData(selected)));
    }
    m_session->options().allowedGroups = m_args.groups;

    m_report = new QStandardItemModel(0, 4, this);
    m_report->setHorizontalHeaderLabels({text(str::kIntakeReportSource), text(str::kIntakeReportLineHeader),
                                         text(str::kIntakeReportColumn), text(str::kIntakeReportProblem)});
    m_filter = new QSortFilterProxyModel(this);
    m_filter->setSourceModel(m_report);
    m_filter->setFilterKeyColumn(-1);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_ui->reportTableView->setModel(m_filter);
    m_ui->reportTableView->horizontalHeader()->setStretchLastSection(true);
    m_ui->reportTableView->sortByColumn(1, Qt::AscendingOrder);
    m_ui->mappingTableWidget->setColumnCount(3);
    m_ui->mappingTableWidget->setHorizontalHeaderLabels(
        {text(str::kIntakeMappingSheet), text(str::kIntakeMappingColumn), text(str::kIntakeMappingField)});
    m_ui->mappingTableWidget->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_ui->importProgressBar->setVisible(false);
    m_ui->cancelButton->setEnabled(false);

    connect(m_ui->browseButton, &QPushButton::clicked, this, Guarded(this, &CSheetIntakeDlg::browse));
    connect(m_ui->checkButton, &QPushButton::clicked, this, Guarded(this, &CSheetIntakeDlg::checkAgain));
    connect(m_ui->importButton, &QPushButton::clicked, this, Guarded(this, &CSheetIntakeDlg::startImport));
    connect(m_ui->cancelButton, &QPushButton::clicked, this, [this] { m_cancel = true; });
    connect(m_ui->exportButton, &QPushButton::clicked, this, Guarded(this, &CSheetIntakeDlg::exportGroup));
    connect(m_ui->closeButton, &QPushButton::clicked, this, &CSheetIntakeDlg::reject);
    connect(m_ui->filterLineEdit, &QLineEdit::textChanged, m_filter, &QSortFilterProxyModel::setFilterFixedString);
    // A new encoding reads the files again; the other options only need a new dry run.
    connect(m_ui->encodingComboBox, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_files.empty()) {
            loadFiles(m_files);
        }
    });
    for (QComboBox* box : {m_ui->existingComboBox, m_ui->groupComboBox}) {
        connect(box, &QComboBox::currentIndexChanged, this, &CSheetIntakeDlg::checkAgain);
    }
    if (m_args.handOff()) {
        m_ui->browseButton->setEnabled(false);
        loadFiles({{m_args.unitsFile, SheetKind::Units}, {m_args.usersFile, SheetKind::Users}});
    } else {
        showPlan();
    }
    SetUpFormKeys(this, TypedValues::Discard);
}

CSheetIntakeDlg::~CSheetIntakeDlg()
{
    m_cancel = true;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CSheetIntakeDlg::browse()
{
    const QString file = MessageService::instance().getOpenFileName(this, text(str::kIntakePickCaption), QString(),
                                                                    text(str::kIntakePickFilter));
    if (!file.isEmpty()) {
        loadFiles({{QFile::encodeName(file).toStdString(), std::nullopt}});
    }
}

void CSheetIntakeDlg::loadFiles(const std::vector<std::pair<std::string, std::optional<SheetKind>>>& files)
{
    m_files = files;
    QStringList names;
    for (const auto& f : files) {
        names << QFile::decodeName(QByteArray::fromStdString(f.first));
    }
    m_ui->fileLineEdit->setText(names.join(QStringLiteral(", ")));
    m_session->setEncoding(static_cast<FileEncoding>(m_ui->encodingComboBox->currentData().toInt()));
    m_session->setFiles(files);
    fillMapping();
    checkAgain();
}

void CSheetIntakeDlg::fillMapping()
{
    m_filling = true;
    QTableWidget* table = m_ui->mappingTableWidget;
    table->setRowCount(0);
    const auto& sheets = m_session->sheets();
    for (std::size_t s = 0; s < sheets.size(); ++s) {
        const IntakeSheet& sheet = sheets[s];
        for (std::uint32_t c = 0; c < sheet.sheet->row(0).cellCount; ++c) {
            const int row = table->rowCount();
            table->insertRow(row);
            table->setItem(row, 0, new QTableWidgetItem(fromAnsi(sheet.source)));
            table->setItem(row, 1, new QTableWidgetItem(fromAnsi(sheet.sheet->cell(0, c))));
            auto* field = new QComboBox(table);
            field->setObjectName(QStringLiteral("fieldComboBox"));
            field->addItem(text(str::kIntakeNotImported), -1);
            for (std::size_t f = 0; f < ColumnCount(sheet.kind); ++f) {
                field->addItem(QString::fromUtf8(Column(sheet.kind, f).header.data(),
                                                 static_cast<qsizetype>(Column(sheet.kind, f).header.size())),
                               static_cast<int>(f));
                if (sheet.mapping.columnOf(f) == static_cast<int>(c)) {
                    field->setCurrentIndex(field->count() - 1);
                }
            }
            table->setCellWidget(row, 2, field);
            connect(field, &QComboBox::currentIndexChanged, this, [this, field, s, c] {
                if (!m_filling) {
                    m_session->mapColumn(s, static_cast<int>(c), field->currentData().toInt());
                    fillMapping();
                    checkAgain();
                }
            });
        }
    }
    table->resizeColumnToContents(0);
    table->resizeColumnToContents(1);
    m_filling = false;
}

std::optional<std::int32_t> CSheetIntakeDlg::chosenGroup(bool forExport) const
{
    const QComboBox* box = forExport ? m_ui->exportGroupComboBox : m_ui->groupComboBox;
    if (box->currentIndex() < 0) {
        return std::nullopt;
    }
    return box->currentData().toInt();
}

void CSheetIntakeDlg::checkAgain()
{
    if (m_filling || importRunning()) {
        return;
    }
    IntakeOptions& options = m_session->options();
    options.onExisting = static_cast<OnExisting>(m_ui->existingComboBox->currentData().toInt());
    options.defaultGroup = chosenGroup(false).value_or(0);
    if (!m_files.empty()) {
        try {
            m_session->dryRun();
        } catch (const DbError& e) {
            MessageService::instance().error(this,
                                             formatText(str::kIntakeReadFailed, {QString::fromLocal8Bit(e.what())}));
        }
    }
    showPlan();
}

void CSheetIntakeDlg::showPlan()
{
    const IntakePlan& plan = m_session->plan();
    m_report->removeRows(0, m_report->rowCount());
    for (const IntakeProblem& p : plan.problems) {
        QList<QStandardItem*> row;
        row << new QStandardItem(fromAnsi(p.source));
        auto* line = new QStandardItem();
        line->setData(static_cast<int>(p.line), Qt::DisplayRole);
        row << line << new QStandardItem(fromAnsi(p.column))
            << new QStandardItem(fromAnsi(IntakeText(p.messageId, p.args)));
        m_report->appendRow(row);
    }
    m_ui->reportTableView->resizeColumnsToContents();
    m_ui->summaryLabel->setText(m_files.empty() ? QString() : fromAnsi(plan.summary()));
    m_ui->importButton->setEnabled(!m_files.empty() && plan.canApply() && !(plan.units.empty() && plan.users.empty()));
}

void CSheetIntakeDlg::setBusy(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_ui->browseButton, m_ui->checkButton, m_ui->importButton, m_ui->exportButton, m_ui->closeButton,
             m_ui->encodingComboBox, m_ui->existingComboBox, m_ui->groupComboBox, m_ui->mappingTableWidget}) {
        w->setEnabled(!busy);
    }
    m_ui->cancelButton->setEnabled(busy);
    m_ui->importProgressBar->setVisible(busy);
}

void CSheetIntakeDlg::startImport()
{
    const IntakePlan& plan = m_session->plan();
    if (!plan.canApply()) {
        MessageService::instance().information(this, str::kIntakeCannotApply);
        return;
    }
    const std::size_t rows = plan.units.size() + plan.users.size();
    const QString question = plan.refused == 0 ? formatText(str::kIntakeConfirm, {num(rows)})
                                               : formatText(str::kIntakeConfirmRefused, {num(rows), num(plan.refused)});
    if (MessageService::instance().question(this, question) != Answer::Ok) {
        return;
    }
    setBusy(true);
    m_ui->importProgressBar->setRange(0, static_cast<int>(rows));
    m_ui->importProgressBar->setValue(0);
    m_cancel = false;
    const bool logChanges = m_server.running && m_server.running();
    m_worker = std::thread([this, logChanges] {
        ApplyResult result;
        QString failure;
        bool unconfirmed = false;
        try {
            result = m_session->apply(logChanges, [this](std::size_t done, std::size_t) {
                QMetaObject::invokeMethod(
                    this, [this, done] { m_ui->importProgressBar->setValue(static_cast<int>(done)); },
                    Qt::QueuedConnection);
                return !m_cancel.load();
            });
            const std::uint32_t flags =
                (result.changedUnits() ? kRefreshUnits : 0) | (result.changedUsers() ? kRefreshUsers : 0);
            if (result.committed && flags != 0 && logChanges && m_server.notify) {
                m_server.notify(flags);
            }
        } catch (const DbError& e) {
            failure = QString::fromLocal8Bit(e.what());
            unconfirmed = DescribeWriteFailure(e).unconfirmed;
        }
        QMetaObject::invokeMethod(
            this,
            [this, result, failure, unconfirmed] { finishImport(result.committed, result, failure, unconfirmed); },
            Qt::QueuedConnection);
    });
}

void CSheetIntakeDlg::finishImport(bool committed, const ApplyResult& result, const QString& failure, bool unconfirmed)
{
    m_worker.join();
    setBusy(false);
    MessageService& messages = MessageService::instance();
    if (unconfirmed) {
        // The import may be saved: an export, or the units and users page, shows what is there.
        messages.error(this, str::kCommitUnconfirmed, failure);
    } else if (!failure.isEmpty()) {
        messages.error(this, formatText(str::kIntakeRolledBack, {failure}));
    } else if (!committed) {
        messages.information(this, str::kIntakeCancelled);
    } else {
        if (m_server.refreshWindow) {
            m_server.refreshWindow(m_args.window);
        }
        messages.information(this, formatText(str::kIntakeDone, {num(result.unitsAdded), num(result.usersAdded),
                                                                 num(result.unitsUpdated), num(result.usersUpdated)}));
        ReportUserRecordsNotSaved(this, result.fileFailures);
    }
    emit importFinished(committed);
    if (committed && m_args.handOff()) {
        accept(); // the first-run hand-off is done: the main window has closed, nothing is left to show
        return;
    }
    checkAgain();
}

void CSheetIntakeDlg::exportGroup()
{
    const int what = m_ui->exportWhatComboBox->currentIndex();
    const QString csv = text(str::kIntakeCsvFilter);
    const QString xlsx = text(str::kIntakeXlsxFilter);
    // A CSV file holds one kind of rows: units and users together are offered as a workbook only.
    QString filter = what == 2 ? xlsx : csv + QStringLiteral(";;") + xlsx;
    QString chosen;
    QString file =
        MessageService::instance().getSaveFileName(this, text(str::kIntakeSaveCaption), QString(), filter, &chosen);
    if (file.isEmpty()) {
        return;
    }
    ExportRequest request;
    request.group = chosenGroup(true);
    request.withPasswords = m_ui->withPasswordsCheckBox->isChecked();
    if (what != 1) {
        request.kinds.push_back(SheetKind::Units);
    }
    if (what != 0) {
        request.kinds.push_back(SheetKind::Users);
    }
    // The name decides the format where it says one; the filter chosen where it does not.
    const auto format = ExportFormatFor(QFile::encodeName(file).toStdString(),
                                        what == 2 || chosen == xlsx ? SpreadsheetFormat::Xlsx : SpreadsheetFormat::Csv,
                                        request.kinds.size());
    if (const int* refused = std::get_if<int>(&format)) {
        MessageService::instance().information(this, *refused);
        return;
    }
    request.format = std::get<SpreadsheetFormat>(format);
    if (QFileInfo(file).suffix().isEmpty()) {
        file += request.format == SpreadsheetFormat::Xlsx ? QStringLiteral(".xlsx") : QStringLiteral(".csv");
    }
    std::string error;
    std::optional<std::size_t> rows;
    try {
        rows = ExportFile(ReadOrgData(m_database), request, QFile::encodeName(file).toStdString(), error);
    } catch (const DbError& e) {
        error = e.what();
    }
    if (!rows) {
        MessageService::instance().error(
            this, formatText(str::kIntakeExportFailed, {file, QString::fromLocal8Bit(error.c_str())}));
        return;
    }
    MessageService::instance().information(this, formatText(str::kIntakeExported, {num(*rows), file}));
}

void CSheetIntakeDlg::reject()
{
    if (importRunning()) {
        m_cancel = true; // the import ends by itself and rolls back; the window stays until it has
        return;
    }
    QDialog::reject();
}

} // namespace qar::ui
