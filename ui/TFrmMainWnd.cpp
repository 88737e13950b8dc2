#include "ui/TFrmMainWnd.h"
#include "app/FileAssociation.h"
#include "ui/ActionIcons.h"
#include "ui/MessageBox.h"
#include "ui/QtText.h"
#include "ui/TFrmAbout.h"
#include "ui/TFrmOptions.h"
#include "ui/TFrmScheduler.h"
#include "ui/TFrmTask.h"
#include "ui/TFrmTasks.h"
#include "ui/TTarnDebugScreen.h"

#include "app/Settings.h"
#include "platform/CodePage.h"
#include "ui/TFrmDeleteHistory.h"
#include "ui/TFrmFileVersions.h"
#include "ui/TFrmRestoreOptions.h"
#include "ui/TaskRows.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace ui {

namespace {

constexpr int kSourceWidth = 150;
constexpr int kDestinationWidth = 150;
constexpr int kConditionsWidth = 200;

} // namespace

TFrmMainWnd::TFrmMainWnd(std::vector<std::string> args, QWidget* parent)
    : QMainWindow(parent), model_(*this), startUp_(model_), args_(std::move(args)),
      debugScreen_(std::make_unique<TTarnDebugScreen>()) {
    TaskEditor = [this](definition::TVMTask& item) { return TFrmTask::EditItem(item, this); };
    debugScreen_->SetMaxLines(500);
    debugScreen_->FontName = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    debugScreen_->FontHeight = 12;
    lvTask_ = new QTreeWidget(this);
    lvTask_->setObjectName(QStringLiteral("LvTask"));
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
    connect(lvTask_, &QTreeWidget::itemSelectionChanged, this, [this] {
        // The run selects the row of the item it works on; the actions stay as the run set
        // them until it has ended.
        if (!model_.Running)
            model_.Definition.UpdateTitle(*this);
    });
    connect(lvTask_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (Action(host::TAction::VMEdit)->isEnabled())
            VMEdit();
    });
    connect(lvTask_->header(), &QHeaderView::sectionResized, this, [this] { RefreshList(); });

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    resize(760, 420);
    model_.Definition.UpdateTitle(*this);
}

TFrmMainWnd::~TFrmMainWnd() = default;

QAction* TFrmMainWnd::AddAction(host::TAction id, const char* caption, const char* hint,
                                void (TFrmMainWnd::*handler)()) {
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setStatusTip(QString::fromUtf8(hint));
    action->setToolTip(QString::fromUtf8(hint));
    action->setIcon(ActionIcon(id));
    connect(action, &QAction::triggered, this, handler);
    actions_[static_cast<std::size_t>(id)] = action;
    return action;
}

void TFrmMainWnd::CreateActions() {
    using host::TAction;
    AddAction(TAction::FileNew, "新規作成(&N)", "新しくバックアップ内容定義を作成します",
              &TFrmMainWnd::FileNew);
    AddAction(TAction::FileOpen, "開く(&O)...", "バックアップ内容定義を読み込みます",
              &TFrmMainWnd::FileOpen);
    AddAction(TAction::FileSave, "保存する(&S)", "バックアップ内容定義を保存します",
              &TFrmMainWnd::FileSave);
    AddAction(TAction::FileSaveAs, "名前をつけて保存する(&A)...",
              "バックアップ内容定義に名前をつけて保存します", &TFrmMainWnd::FileSaveAs);
    AddAction(TAction::FileExit, "終了(&X)", "Velmoranを終了します", &TFrmMainWnd::FileExit);
    AddAction(TAction::VMExecute, "バックアップ実行(&E)...", "バックアップを実行します",
              &TFrmMainWnd::VMExecute);
    AddAction(TAction::VMStop, "バックアップ中断(&S)...", "バックアップを中断します",
              &TFrmMainWnd::VMStop);
    AddAction(TAction::VMRestore, "復元(&R)", "バックアップしておいたファイルの復元",
              &TFrmMainWnd::VMRestore);
    AddAction(TAction::VMClean, "世代バックアップファイルを削除する(&H)",
              "世代バックアップファイルを削除し、ディスク領域を節約します", &TFrmMainWnd::VMClean);
    AddAction(TAction::VMVersions, "ファイルの履歴(&F)...",
              "ファイルのバックアップに残っている版を一覧し、選んだ版を復元します",
              &TFrmMainWnd::VMVersions);
    AddAction(TAction::VMVerify, "バックアップの検査(&V)",
              "すべての書庫(履歴を含む)を展開して確かめます。バックアップ先は変更しません",
              &TFrmMainWnd::VMVerify);
    AddAction(TAction::VMAdd, "項目追加(&A)...", "バックアップ項目を追加します",
              &TFrmMainWnd::VMAdd);
    // Every entry of a menu has a mnemonic of its own, so that one key runs it: the actions
    // without one get one, and edit gives up the E of run backup.
    AddAction(TAction::VMEdit, "項目編集(&I)...", "バックアップ項目を編集します",
              &TFrmMainWnd::VMEdit);
    AddAction(TAction::VMDelete, "項目削除(&D)...", "バックアップ項目を削除します",
              &TFrmMainWnd::VMDelete);
    AddAction(TAction::VMNotes, "バックアップ定義の補足設定(&T)",
              "バックアップ定義の追加設定をします", &TFrmMainWnd::VMNotes);
    AddAction(TAction::VMUp, "上へ(&U)", "選択中の項目の優先順位を上げます。", &TFrmMainWnd::VMUp);
    AddAction(TAction::VMDown, "下へ(&W)", "選択中の項目の優先順位を下げます。",
              &TFrmMainWnd::VMDown);
    AddAction(TAction::OptionsOptions, "環境設定(&O)...", "Velmoranの動作を設定します",
              &TFrmMainWnd::OptionsOptions);
    AddAction(TAction::OptionsScheduler, "スケジュール(&S)...",
              "Velmoranを自動的に実行する設定を行います", &TFrmMainWnd::OptionsScheduler);
    AddAction(TAction::OptionsRegister, "レジストリ登録(&R)",
              "Velmoranの関連ファイルをレジストリに登録します．", &TFrmMainWnd::OptionsRegister);
    AddAction(TAction::OptionsUnRegister, "レジストリ登録削除(&U)",
              "Velmoranの関連ファイルのレジストリ登録を削除します．",
              &TFrmMainWnd::OptionsUnRegister);
    AddAction(TAction::HelpIndex, "Velmoranヘルプ(&H)", "Velmoranのオンラインヘルプを表示します",
              &TFrmMainWnd::HelpIndex);
    AddAction(TAction::HelpHomePage, "Tarnのひろばを開く(&K)...",
              "Velmoranのサポートページを開きます", &TFrmMainWnd::HelpHomePage);
    AddAction(TAction::HelpAbout, "バージョン情報(&A)...", "Velmoranの情報を表示します",
              &TFrmMainWnd::HelpAbout);
    Action(TAction::FileNew)->setShortcut(QKeySequence::New);
    Action(TAction::FileOpen)->setShortcut(QKeySequence::Open);
    Action(TAction::FileSave)->setShortcut(QKeySequence::Save);
    Action(TAction::HelpIndex)->setShortcut(QKeySequence::HelpContents);
    for (QAction* action : actions_)
        addAction(action);
}

void TFrmMainWnd::CreateMenus() {
    using host::TAction;
    // Null stands for a separator.
    const auto menu = [this](const char* title,
                             std::initializer_list<std::optional<TAction>> items) {
        QMenu* m = menuBar()->addMenu(QString::fromUtf8(title));
        for (const auto& item : items) {
            if (item)
                m->addAction(Action(*item));
            else
                m->addSeparator();
        }
        menus_.push_back(m);
    };
    const std::nullopt_t sep = std::nullopt;
    menu("&File", {TAction::FileNew, TAction::FileOpen, sep, TAction::FileSave, TAction::FileSaveAs,
                   sep, TAction::FileExit});
    menu("&Velmoran",
         {TAction::VMExecute, TAction::VMStop, sep, TAction::VMRestore, TAction::VMClean,
          TAction::VMVersions, TAction::VMVerify, sep, TAction::VMAdd, TAction::VMEdit,
          TAction::VMDelete, TAction::VMNotes, TAction::VMUp, TAction::VMDown});
    menu("&Options", {TAction::OptionsOptions, TAction::OptionsScheduler, sep,
                      TAction::OptionsRegister, TAction::OptionsUnRegister});
    menu("&Help", {TAction::HelpIndex, TAction::HelpHomePage, sep, TAction::HelpAbout});
}

void TFrmMainWnd::CreateToolBar() {
    using host::TAction;
    QToolBar* toolBar = addToolBar(QStringLiteral("ToolBar1"));
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setMovable(false);
    const std::optional<TAction> sep;
    for (const std::optional<TAction>& item : {std::optional<TAction>(TAction::FileNew),
                                               std::optional<TAction>(TAction::FileOpen),
                                               std::optional<TAction>(TAction::FileSave),
                                               sep,
                                               std::optional<TAction>(TAction::VMExecute),
                                               std::optional<TAction>(TAction::VMStop),
                                               sep,
                                               std::optional<TAction>(TAction::VMRestore),
                                               std::optional<TAction>(TAction::VMClean),
                                               sep,
                                               std::optional<TAction>(TAction::VMAdd),
                                               std::optional<TAction>(TAction::VMEdit),
                                               std::optional<TAction>(TAction::VMDelete),
                                               std::optional<TAction>(TAction::VMNotes),
                                               std::optional<TAction>(TAction::VMUp),
                                               std::optional<TAction>(TAction::VMDown),
                                               sep,
                                               std::optional<TAction>(TAction::OptionsOptions),
                                               sep,
                                               std::optional<TAction>(TAction::HelpIndex),
                                               std::optional<TAction>(TAction::HelpHomePage),
                                               std::optional<TAction>(TAction::HelpAbout),
                                               sep,
                                               std::optional<TAction>(TAction::FileExit)}) {
        if (item)
            toolBar->addAction(Action(*item));
        else
            toolBar->addSeparator();
    }
}

void TFrmMainWnd::CreateStatusBar() {
    // The progress text and the current directory are shown whole: the widths are minimums.
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("SBar1Panel%1").arg(i));
        panels_[i]->setMinimumWidth(i == 0 ? 100 : 500);
        statusBar()->addWidget(panels_[i], i == 0 ? 0 : 1);
    }
    runProgress_ = new QProgressBar(this);
    runProgress_->setObjectName(QStringLiteral("RunProgress"));
    runProgress_->setFixedWidth(180);
    runProgress_->setFormat(QStringLiteral("%v / %m"));
    runProgress_->setVisible(false);
    statusBar()->addPermanentWidget(runProgress_);
}

int TFrmMainWnd::TextWidth(const std::string& text) const {
    return fontMetrics().horizontalAdvance(Q(text));
}

void TFrmMainWnd::FileNew() {
    model_.AtnFileNew();
}

void TFrmMainWnd::FileOpen() {
    model_.AtnFileOpen();
}

void TFrmMainWnd::FileSave() {
    model_.AtnFileSave();
}

void TFrmMainWnd::FileSaveAs() {
    model_.AtnFileSaveAs();
}

void TFrmMainWnd::FileExit() {
    close();
}

void TFrmMainWnd::Run(void (app::TMainWndModel::*run)()) {
    try {
        (model_.*run)();
    } catch (const std::exception& e) {
        ShowException(e.what());
    }
    if (closeAfterRun_ && !model_.Running) {
        closeAfterRun_ = false;
        CloseMainWindow();
    }
}

void TFrmMainWnd::VMExecute() {
    Run(&app::TMainWndModel::AtnVMExecute);
}

void TFrmMainWnd::VMStop() {
    model_.AtnVMStop();
}

void TFrmMainWnd::VMRestore() {
    Run(&app::TMainWndModel::AtnVMRestore);
}

void TFrmMainWnd::VMClean() {
    Run(&app::TMainWndModel::AtnVMClean);
}

void TFrmMainWnd::VMVersions() {
    if (model_.Running || model_.Definition.Tasks.empty())
        return;
    // The file is looked for first in the selected item's (or the first item's) source.
    const auto& tasks = model_.Definition.Tasks;
    const int row = SelectedRow();
    const auto& item =
        *tasks[row >= 0 && row < static_cast<int>(tasks.size()) ? static_cast<std::size_t>(row)
                                                                : 0];
    const std::vector<std::string> sources = engine::SourceLines(item.SrcDirs);
    TFrmFileVersions dialog(
        [this](const std::string& path) {
            return model_.Engine.FindFileVersions(model_.Definition, path);
        },
        [this](const engine::TFileVersion& version, const std::string& dir) {
            engine::TVersionRestore outcome = engine::TVersionRestore::Failed;
            try {
                outcome = model_.Engine.RestoreFileVersion(version, dir);
            } catch (const std::exception& e) {
                model_.Engine.LastArchiveError = e.what();
            }
            if (outcome == engine::TVersionRestore::Failed) {
                std::string text = model_.Engine.LastArchiveError;
                for (const std::string& detail : model_.Engine.LastArchiveDetails)
                    text += "\r\n" + detail;
                MessageBox(host::TMsgKind::Error, text, host::TMsgButtons::Ok);
            }
            return outcome;
        },
        sources.empty() ? std::string() : sources.front(), this);
    if (VersionsHook)
        VersionsHook(dialog);
    dialog.exec();
}

void TFrmMainWnd::VMVerify() {
    Run(&app::TMainWndModel::AtnVMVerify);
}

void TFrmMainWnd::VMAdd() {
    model_.AtnVMAdd(TaskEditor);
}

void TFrmMainWnd::VMEdit() {
    model_.AtnVMEdit(SelectedRow(), TaskEditor);
}

void TFrmMainWnd::VMDelete() {
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(model_.Definition.Tasks.size()))
        return;
    const std::string& source = model_.Definition.Tasks[static_cast<std::size_t>(row)]->SrcDirs;
    model_.AtnVMDelete(row, MinimizeName(source, width() / 2,
                                         [this](const std::string& t) { return TextWidth(t); }));
}

void TFrmMainWnd::VMNotes() {
    if (model_.Running || !TFrmTasks::EditDefinitionSettings(model_.Definition, this, TasksHook))
        return;
    model_.Definition.Modified = true;
    model_.Definition.UpdateTitle(*this);
}

void TFrmMainWnd::VMUp() {
    model_.AtnVMUp(SelectedRow());
}

void TFrmMainWnd::VMDown() {
    model_.AtnVMDown(SelectedRow());
}

void TFrmMainWnd::OptionsOptions() {
    if (model_.Running || !TFrmOptions::EditOptions(model_, this, OptionsHook))
        return;
    try {
        app::SaveSettings(model_);
    } catch (const std::exception& e) {
        ShowException(e.what());
    }
}

void TFrmMainWnd::OptionsScheduler() {
    TFrmScheduler::Execute(model_.Definition.FileName, this,
                           [this](TFrmScheduler& dialog) { dialog.MessageHook = MessageHook; });
}

void TFrmMainWnd::OptionsRegister() {
    app::RegisterFileType(*this);
}

void TFrmMainWnd::OptionsUnRegister() {
    app::UnRegisterFileType(*this);
}

void TFrmMainWnd::HelpIndex() {
    OpenDocument(app::HelpFile());
}

void TFrmMainWnd::HelpHomePage() {
    OpenDocument(model_.SupportPage.empty() ? app::DefaultSupportPage : model_.SupportPage);
}

void TFrmMainWnd::HelpAbout() {
    TFrmAbout::Execute(model_.DebugMode, this, AboutHook);
    debugScreen_->SetVisible(model_.DebugMode);
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
    if (model_.Running) {
        // The run still uses the definition and the log: it stops at its next safe point,
        // and the window closes once it has ended.
        event->ignore();
        if (closeAfterRun_)
            return;
        if (ShowMessage(host::TMsgKind::Confirmation,
                        platform::FromUtf8("バックアップ処理の実行中です．\r\n"
                                           "処理を中断してVelmoranを終了しますか？[Y/N]"),
                        host::TMsgButtons::YesNo, host::TMsgAnswer::No) == host::TMsgAnswer::Yes) {
            closeAfterRun_ = true;
            model_.StopConfirmed = true;
            model_.AtnVMStop();
        }
        return;
    }
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
    return ShowMessageBox(this, kind, text, buttons, MessageHook);
}

void TFrmMainWnd::ShowException(const std::string& message) {
    ShowMessage(host::TMsgKind::Error, message, host::TMsgButtons::Ok, host::TMsgAnswer::Ok);
}

void TFrmMainWnd::AddStampedLine(const std::string& text) {
    debugScreen_->AddStampedLine(text);
}

void TFrmMainWnd::AddLine(const std::string& text) {
    debugScreen_->AddLine(text);
}

void TFrmMainWnd::ShowDebugScreen() {
    debugScreen_->SetVisible(true);
}

void TFrmMainWnd::ClearDebugScreen() {
    debugScreen_->Clear();
}

void TFrmMainWnd::SetStatusText(int panel, const std::string& text) {
    if (panel < 0 || panel >= static_cast<int>(panels_.size()))
        return;
    panels_[static_cast<std::size_t>(panel)]->setText(Q(text));
    panels_[static_cast<std::size_t>(panel)]->repaint();
}

void TFrmMainWnd::ProcessEvents() {
    QApplication::processEvents();
    if (OnProcessEvents)
        OnProcessEvents();
}

void TFrmMainWnd::SetTitle(const std::string& title) {
    setWindowTitle(Q(title));
}

void TFrmMainWnd::SetBusy(bool busy) {
    // Room for the progress text while busy; longer texts widen the panel.
    panels_[0]->setMinimumWidth(busy ? panels_[0]->fontMetrics().horizontalAdvance(QStringLiteral(
                                           "12345678 bytes - 01234567890123456789.TXT")) +
                                           8
                                     : 100);
    runProgress_->setRange(0, 0);
    runProgress_->setValue(0);
    runProgress_->setVisible(busy);
    if (!busy)
        panels_[1]->clear();
}

void TFrmMainWnd::SetRunProgress(int done, int total, const std::string& directory) {
    runProgress_->setRange(0, std::max(total, 1));
    runProgress_->setValue(std::min(done, std::max(total, 1)));
    if (!directory.empty())
        SetStatusText(1, directory);
}

bool TFrmMainWnd::AskRestoreOptions(bool& overwriteLatestFile, bool& deleteNotContained) {
    if (RestoreOptionsHook)
        return RestoreOptionsHook(overwriteLatestFile, deleteNotContained);
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
    if (DeleteHistoryHook)
        return DeleteHistoryHook(mode, days, deleteBefore);
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
    if (OpenDocumentHook) {
        OpenDocumentHook(path);
        return;
    }
    // Addresses go to the browser, paths to the program the desktop opens them with.
    const QString text = QFile::decodeName(path.c_str());
    QDesktopServices::openUrl(text.contains(QStringLiteral("://")) ? QUrl(text)
                                                                   : QUrl::fromLocalFile(text));
}

void TFrmMainWnd::Beep() {
    ++beeps_;
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
