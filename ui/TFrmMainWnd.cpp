#include "ui/TFrmMainWnd.h"

#include "platform/CodePage.h"
#include "ui/TFrmDeleteHistory.h"
#include "ui/TFrmRestoreOptions.h"
#include "ui/TaskRows.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

namespace ui {

namespace {

// Texts of the active code page to Qt.
QString Q(const std::string& text) {
    return QString::fromStdString(platform::ToUtf8(text));
}

// File names go to the file system as their bytes.
std::string FileNameFromQ(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

constexpr int kSourceWidth = 150;
constexpr int kDestinationWidth = 150;
constexpr int kConditionsWidth = 200;

} // namespace

TFrmMainWnd::TFrmMainWnd(std::vector<std::string> args, QWidget* parent)
    : QMainWindow(parent), model_(*this), startUp_(model_), args_(std::move(args)) {
    lvTask_ = new QTreeWidget(this);
    lvTask_->setColumnCount(3);
    lvTask_->setHeaderLabels(
        {QStringLiteral("コピー元"), QStringLiteral("コピー先"), QStringLiteral("条件")});
    lvTask_->setColumnWidth(0, kSourceWidth);
    lvTask_->setColumnWidth(1, kDestinationWidth);
    lvTask_->setColumnWidth(2, kConditionsWidth);
    lvTask_->setRootIsDecorated(false);
    lvTask_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvTask_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTask_->setSortingEnabled(false);
    lvTask_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvTask_->setTextElideMode(Qt::ElideNone);
    lvTask_->header()->setSectionsClickable(false);
    lvTask_->installEventFilter(this);
    lvTask_->header()->installEventFilter(this);
    setCentralWidget(lvTask_);
    connect(lvTask_, &QTreeWidget::itemSelectionChanged, this,
            [this] { model_.Definition.UpdateTitle(*this); });
    connect(lvTask_->header(), &QHeaderView::sectionResized, this, [this] { RefreshList(); });

    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setFixedWidth(i == 0 ? 100 : 500);
        statusBar()->addWidget(panels_[i]);
    }

    CreateActions();
    resize(560, 360);
    model_.Definition.UpdateTitle(*this);
}

TFrmMainWnd::~TFrmMainWnd() = default;

QAction* TFrmMainWnd::AddAction(host::TAction id, const char* caption, const char* hint) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setStatusTip(QString::fromUtf8(hint));
    action->setToolTip(QString::fromUtf8(hint));
    actions_[static_cast<std::size_t>(id)] = action;
    return action;
}

void TFrmMainWnd::CreateActions() {
    using host::TAction;
    QAction* fileNew =
        AddAction(TAction::FileNew, "新規作成(&N)", "新しくバックアップ内容定義を作成します");
    QAction* fileOpen =
        AddAction(TAction::FileOpen, "開く(&O)...", "バックアップ内容定義を読み込みます");
    QAction* fileSave =
        AddAction(TAction::FileSave, "保存する(&S)", "バックアップ内容定義を保存します");
    QAction* fileSaveAs = AddAction(TAction::FileSaveAs, "名前をつけて保存する(&A)...",
                                    "バックアップ内容定義に名前をつけて保存します");
    QAction* fileExit = AddAction(TAction::FileExit, "終了(&X)", "Velmoranを終了します");
    connect(fileNew, &QAction::triggered, this, [this] { model_.AtnFileNew(); });
    connect(fileOpen, &QAction::triggered, this, [this] { model_.AtnFileOpen(); });
    connect(fileSave, &QAction::triggered, this, [this] { model_.AtnFileSave(); });
    connect(fileSaveAs, &QAction::triggered, this, [this] { model_.AtnFileSaveAs(); });
    connect(fileExit, &QAction::triggered, this, [this] { close(); });

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(fileNew);
    file->addAction(fileOpen);
    file->addSeparator();
    file->addAction(fileSave);
    file->addAction(fileSaveAs);
    file->addSeparator();
    file->addAction(fileExit);

    QToolBar* toolBar = addToolBar(QStringLiteral("ToolBar1"));
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->addAction(fileNew);
    toolBar->addAction(fileOpen);
    toolBar->addAction(fileSave);
    toolBar->addSeparator();
    toolBar->addAction(fileExit);
}

void TFrmMainWnd::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The start-up work runs once the window is visible, each time it is shown.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(this, &TFrmMainWnd::WMStartUp, Qt::QueuedConnection);
}

void TFrmMainWnd::WMStartUp() {
    startUp_.WMStartUp(args_);
}

void TFrmMainWnd::closeEvent(QCloseEvent* event) {
    if (!model_.FormCloseQuery()) {
        event->ignore();
        return;
    }
    model_.FormClose();
    event->accept();
}

bool TFrmMainWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvTask_ && event->type() == QEvent::Resize)
        RefreshList();
    return QMainWindow::eventFilter(watched, event);
}

host::TMsgAnswer TFrmMainWnd::ShowMessage(host::TMsgKind kind, const std::string& text,
                                          host::TMsgButtons buttons, host::TMsgAnswer) {
    if (MessageHook)
        return MessageHook(kind, text, buttons);
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("Velmoran"));
    box.setText(Q(text));
    box.setIcon(kind == host::TMsgKind::Error          ? QMessageBox::Critical
                : kind == host::TMsgKind::Confirmation ? QMessageBox::Question
                                                       : QMessageBox::Information);
    switch (buttons) {
    case host::TMsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case host::TMsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case host::TMsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return host::TMsgAnswer::Yes;
    case QMessageBox::No:
        return host::TMsgAnswer::No;
    case QMessageBox::Ok:
        return host::TMsgAnswer::Ok;
    default:
        return host::TMsgAnswer::Cancel;
    }
}

void TFrmMainWnd::ShowException(const std::string& message) {
    ShowMessage(host::TMsgKind::Error, message, host::TMsgButtons::Ok, host::TMsgAnswer::Ok);
}

void TFrmMainWnd::AddStampedLine(const std::string& text) {
    const QDateTime now = QDateTime::currentDateTime();
    debugLines_ << QStringLiteral("<") + now.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")) +
                       QStringLiteral(">") + Q(text);
}

void TFrmMainWnd::AddLine(const std::string& text) {
    debugLines_ << Q(text);
}

void TFrmMainWnd::SetStatusText(int panel, const std::string& text) {
    if (panel < 0 || panel >= static_cast<int>(panels_.size()))
        return;
    panels_[static_cast<std::size_t>(panel)]->setText(Q(text));
    panels_[static_cast<std::size_t>(panel)]->repaint();
}

void TFrmMainWnd::ProcessEvents() {
    QApplication::processEvents();
}

void TFrmMainWnd::SetTitle(const std::string& title) {
    setWindowTitle(Q(title));
    // The title update also sizes the marker panel to hold "*変更*".
    panels_[0]->setFixedWidth(
        panels_[0]->fontMetrics().horizontalAdvance(QStringLiteral("*変更*")) + 8);
}

void TFrmMainWnd::SetBusy(bool busy) {
    // Room for the progress text while busy; the title update sizes the panel again after.
    if (busy)
        panels_[0]->setFixedWidth(panels_[0]->fontMetrics().horizontalAdvance(
                                      QStringLiteral("12345678 bytes - 01234567890123456789.TXT")) +
                                  8);
}

bool TFrmMainWnd::AskRestoreOptions(bool& overwriteLatestFile, bool& deleteNotContained) {
    TFrmRestoreOptions dialog(this);
    dialog.OverwriteLatestFile = overwriteLatestFile;
    dialog.DeleteNotContained = deleteNotContained;
    if (!dialog.Execute())
        return false;
    overwriteLatestFile = dialog.OverwriteLatestFile;
    deleteNotContained = dialog.DeleteNotContained;
    return true;
}

bool TFrmMainWnd::AskDeleteHistory(std::int32_t& mode, std::int32_t& days, double& deleteBefore) {
    TFrmDeleteHistory dialog(this);
    dialog.Mode = mode;
    dialog.Days = days;
    dialog.DeleteBefore = deleteBefore;
    if (!dialog.Execute())
        return false;
    mode = dialog.Mode;
    days = dialog.Days;
    deleteBefore = dialog.DeleteBefore;
    return true;
}

void TFrmMainWnd::SetActionEnabled(host::TAction action, bool enabled) {
    if (QAction* a = actions_[static_cast<std::size_t>(action)])
        a->setEnabled(enabled);
}

void TFrmMainWnd::SetListEnabled(bool enabled) {
    lvTask_->setEnabled(enabled);
}

void TFrmMainWnd::RefreshList() {
    const int selected = SelectedRow();
    const QFontMetrics metrics = lvTask_->fontMetrics();
    const auto width = [&metrics](const std::string& text) {
        return metrics.horizontalAdvance(Q(text));
    };
    // Room for the cell's margins.
    const int margin = 2 * lvTask_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    const int sourceWidth = lvTask_->columnWidth(0) - margin;
    const int destWidth = lvTask_->columnWidth(1) - margin;

    const QSignalBlocker blocker(lvTask_);
    lvTask_->setUpdatesEnabled(false);
    lvTask_->clear();
    for (const auto& task : model_.Definition.Tasks) {
        auto* row = new QTreeWidgetItem(lvTask_);
        row->setText(0, Q(MinimizeName(SourceColumnText(*task), sourceWidth, width)));
        row->setText(1, Q(MinimizeName(task->DstDir, destWidth, width)));
        row->setText(2, Q(ConditionColumnText(*task)));
    }
    if (selected >= 0 && selected < lvTask_->topLevelItemCount())
        lvTask_->setCurrentItem(lvTask_->topLevelItem(selected));
    lvTask_->setUpdatesEnabled(true);
}

int TFrmMainWnd::SelectedRow() const {
    const QList<QTreeWidgetItem*> items = lvTask_->selectedItems();
    return items.isEmpty() ? -1 : lvTask_->indexOfTopLevelItem(items.front());
}

void TFrmMainWnd::SelectRow(int row) {
    if (row >= 0 && row < lvTask_->topLevelItemCount())
        lvTask_->setCurrentItem(lvTask_->topLevelItem(row));
    else
        lvTask_->clearSelection();
}

std::optional<std::string> TFrmMainWnd::AskOpenFileName() {
    if (FileDialogHook)
        return FileDialogHook(false);
    QFileDialog dialog(this, QStringLiteral("Velmoranバックアップ定義を開く"));
    dialog.setNameFilter(QStringLiteral("Velmoranプログラム(*.VMP)"));
    dialog.setDefaultSuffix(QStringLiteral("VMP"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileNameFromQ(dialog.selectedFiles().front());
}

std::optional<std::string> TFrmMainWnd::AskSaveFileName() {
    if (FileDialogHook)
        return FileDialogHook(true);
    QFileDialog dialog(this, QStringLiteral("Velmoranバックアップ定義の保存"));
    dialog.setNameFilter(QStringLiteral("Velmoranプログラム(*.VMP)"));
    dialog.setDefaultSuffix(QStringLiteral("VMP"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileNameFromQ(dialog.selectedFiles().front());
}

void TFrmMainWnd::OpenDocument(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
}

void TFrmMainWnd::Beep() {
    QApplication::beep();
}

host::TWindowState TFrmMainWnd::WindowState() const {
    if (isMinimized())
        return host::TWindowState::Minimized;
    if (isMaximized())
        return host::TWindowState::Maximized;
    return host::TWindowState::Normal;
}

void TFrmMainWnd::SetMinimized() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

host::TBounds TFrmMainWnd::WindowBounds() const {
    const QRect r = geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void TFrmMainWnd::SetWindowBounds(const host::TBounds& b) {
    setGeometry(b.Left, b.Top, b.Width, b.Height);
}

host::TBounds TFrmMainWnd::ScreenBounds() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect r = screen ? screen->geometry() : QRect();
    return {0, 0, r.width(), r.height()};
}

void TFrmMainWnd::CloseMainWindow() {
    // Closed once the current handler has returned.
    if (!closeQueued_) {
        closeQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                closeQueued_ = false;
                close();
            },
            Qt::QueuedConnection);
    }
}

} // namespace ui
