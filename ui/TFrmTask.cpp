#include "ui/TFrmTask.h"

#include "platform/CodePage.h"
#include "platform/DateTime.h"
#include "platform/FileUtil.h"
#include "ui/DialogParts.h"
#include "ui/QtText.h"
#include "ui/TDlgZoomButton.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <map>

namespace ui {

namespace {

std::string U(const char* utf8) {
    return platform::FromUtf8(utf8);
}

// The path as the checks compare it: absolute, without a trailing delimiter.
std::string Normal(const std::string& path) {
    return platform::ExcludeTrailingPathDelimiter(platform::ExpandFileName(path));
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

std::int32_t DaysFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    std::int32_t value = 0;
    return platform::TryStrToInt(trimmed.toStdString(), value) ? value : 0;
}

TFrmTask::TFrmTask(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("バックアップ項目の編集"));
    auto* layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    layout->addWidget(Pages);

    // Target directories.
    auto* dirs = new QWidget(Pages);
    auto* dirsLayout = new QGridLayout(dirs);
    ListSrc = new QListWidget(dirs);
    ListSrc->setToolTip(QStringLiteral("バックアップするディレクトリを登録します。"));
    EditSrc = new QLineEdit(dirs);
    BtnRefer1 = new QPushButton(QStringLiteral("参照(&B)..."), dirs);
    BtnAdd = new QPushButton(QStringLiteral("追加(&A)"), dirs);
    BtnDelete = new QPushButton(QStringLiteral("削除(&D)"), dirs);
    BtnReplace = new QPushButton(QStringLiteral("入替(&R)"), dirs);
    BtnUp = new QPushButton(QStringLiteral("上へ(&U)"), dirs);
    BtnDown = new QPushButton(QStringLiteral("下へ(&N)"), dirs);
    EditDst = new QLineEdit(dirs);
    BtnRefer2 = new QPushButton(QStringLiteral("参照(&E)..."), dirs);
    auto* listButtons = new QVBoxLayout;
    for (QPushButton* b : {BtnAdd, BtnDelete, BtnReplace, BtnUp, BtnDown}) {
        b->setAutoDefault(false);
        listButtons->addWidget(b);
    }
    listButtons->addStretch();
    BtnRefer1->setAutoDefault(false);
    BtnRefer2->setAutoDefault(false);
    dirsLayout->addWidget(ListSrc, 0, 0, 1, 3);
    dirsLayout->addLayout(listButtons, 0, 3);
    dirsLayout->addWidget(Buddy(QStringLiteral("コピー元(&S)："), EditSrc, dirs), 1, 0);
    dirsLayout->addWidget(EditSrc, 1, 1);
    dirsLayout->addWidget(BtnRefer1, 1, 2);
    dirsLayout->addWidget(Buddy(QStringLiteral("コピー先(&C)："), EditDst, dirs), 2, 0);
    dirsLayout->addWidget(EditDst, 2, 1);
    dirsLayout->addWidget(BtnRefer2, 2, 2);
    Pages->addTab(dirs, QStringLiteral("対象ディレクトリ(&1)"));

    // Target files.
    auto* files = new QWidget(Pages);
    auto* filesLayout = new QGridLayout(files);
    MemoSrc = new QPlainTextEdit(files);
    MemoSrc->setToolTip(QStringLiteral("バックアップする対象ファイルのファイル名を指定します。"
                                       "末尾に\"/\"でディレクトリ指定。"));
    MemoSkipFile = new QPlainTextEdit(files);
    MemoSkipFile->setToolTip(QStringLiteral("バックアップしたくないファイルのファイル名を指定し"
                                            "ます。末尾に\"/\"でディレクトリ指定。"));
    for (QPlainTextEdit* memo : {MemoSrc, MemoSkipFile})
        memo->setTabChangesFocus(true);
    filesLayout->addWidget(Buddy(QStringLiteral("対象ファイル(&T)："), MemoSrc, files), 0, 0);
    filesLayout->addWidget(MemoSrc, 1, 0);
    filesLayout->addWidget(Buddy(QStringLiteral("除外ファイル(&X)："), MemoSkipFile, files), 0, 1);
    filesLayout->addWidget(MemoSkipFile, 1, 1);
    ChkIncludeHidden =
        new QCheckBox(QStringLiteral("不可視ファイルもバックアップ対象にする(&H)．"), files);
    ChkIncludeSystem =
        new QCheckBox(QStringLiteral("システムファイルもバックアップ対象にする(&Y)．"), files);
    ChkRegExp = new QCheckBox(QStringLiteral("ファイル選択に正規表現を使用する(&G)．"), files);
    filesLayout->addWidget(ChkIncludeHidden, 2, 0, 1, 2);
    filesLayout->addWidget(ChkIncludeSystem, 3, 0, 1, 2);
    filesLayout->addWidget(ChkRegExp, 4, 0, 1, 2);
    auto* stamps = new QGroupBox(QStringLiteral("タイムスタンプ"), files);
    auto* stampsLayout = new QGridLayout(stamps);
    RBtnTSModeDefault =
        new QRadioButton(QStringLiteral("新しいファイルは無条件でバックアップする(&W)．"), stamps);
    RBtnTSModeDate =
        new QRadioButton(QStringLiteral("指定日以降更新のファイルのみ対象とする(&F)．"), stamps);
    RBtnTSModeDays = new QRadioButton(
        QStringLiteral("指定日数以内に更新のファイルのみ対象とする(&I)．"), stamps);
    DTPickerTSModeDate = new QDateEdit(stamps);
    DTPickerTSModeDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    DTPickerTSModeDate->setCalendarPopup(true);
    EditTSModeDays = new QSpinBox(stamps);
    EditTSModeDays->setRange(0, 99999);
    stampsLayout->addWidget(RBtnTSModeDefault, 0, 0, 1, 2);
    stampsLayout->addWidget(RBtnTSModeDate, 1, 0);
    stampsLayout->addWidget(DTPickerTSModeDate, 1, 1);
    stampsLayout->addWidget(RBtnTSModeDays, 2, 0);
    stampsLayout->addWidget(EditTSModeDays, 2, 1);
    filesLayout->addWidget(stamps, 5, 0, 1, 2);
    Pages->addTab(files, QStringLiteral("対象ファイル(&2)"));

    // Options.
    auto* options = new QWidget(Pages);
    auto* optionsLayout = new QGridLayout(options);
    ChkSubDir = new QCheckBox(QStringLiteral("サブディレクトリを処理する(&S)．"), options);
    ChkNoDeleteFiles =
        new QCheckBox(QStringLiteral("コピー元で削除されたファイルを削除しない(&N)．"), options);
    ChkSaveDeletedFiles = new QCheckBox(
        QStringLiteral("削除するファイルの履歴バックアップを作成する(&D)．"), options);
    ChkSaveModifiedFiles = new QCheckBox(
        QStringLiteral("変更されたファイルの履歴バックアップを作成する(&M)．"), options);
    ChkDirNameAsLzhName =
        new QCheckBox(QStringLiteral("書庫名にディレクトリ名を使用する(&L)．"), options);
    ChkEnableLzhCache = new QCheckBox(
        QStringLiteral("アーカイブファイルの内容をキャッシュして高速化を図る(&C)．"), options);
    ChkMsgBeforeExecution =
        new QCheckBox(QStringLiteral("バックアップ前に確認メッセージを表示する(&B)．"), options);
    EditMsgBeforeExecution = new QLineEdit(options);
    ChkNoCompressFiles =
        new QCheckBox(QStringLiteral("特定のファイルは未圧縮バックアップする(&U)。"), options);
    EditNoCompress = new QLineEdit(options);
    int row = 0;
    for (QCheckBox* c : {ChkSubDir, ChkNoDeleteFiles, ChkSaveDeletedFiles, ChkSaveModifiedFiles,
                         ChkDirNameAsLzhName, ChkEnableLzhCache, ChkMsgBeforeExecution})
        optionsLayout->addWidget(c, row++, 0, 1, 2);
    optionsLayout->addWidget(
        Buddy(QStringLiteral("確認メッセージ(&E)："), EditMsgBeforeExecution, options), row, 0);
    optionsLayout->addWidget(EditMsgBeforeExecution, row++, 1);
    optionsLayout->addWidget(ChkNoCompressFiles, row++, 0, 1, 2);
    optionsLayout->addWidget(Buddy(QStringLiteral("未圧縮ファイル(&F)："), EditNoCompress, options),
                             row, 0);
    optionsLayout->addWidget(EditNoCompress, row++, 1);
    optionsLayout->addWidget(
        new QLabel(QStringLiteral("※未圧縮ファイル指定は、「対象ファイル」タブの正規表現使用有無チ"
                                  "ェックに従う．"),
                   options),
        row++, 0, 1, 2);
    optionsLayout->setRowStretch(row, 1);
    Pages->addTab(options, QStringLiteral("オプション(&3)"));

    auto* bottom = new QHBoxLayout;
    Zoom = new TDlgZoomButton(this);
    Zoom->Images = ui::TDlgZoomButton::MagnifierGlyphs();
    Zoom->setIcon(Zoom->Images[0]);
    bottom->addWidget(Zoom);
    auto* buttons = OkCancel(this, BtnOk, [this] {
        // Warned of, not refused.
        if (const std::string warnings = Warnings(); !warnings.empty())
            Message(host::TMsgKind::Information, warnings, host::TMsgButtons::Ok);
        return true;
    });
    bottom->addWidget(buttons, 1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FitToFont();
    connect(ListSrc, &QListWidget::currentRowChanged, this, [this](int r) {
        if (r >= 0)
            EditSrc->setText(ListSrc->item(r)->text());
        UpdateSourceButtons();
    });
    connect(EditSrc, &QLineEdit::textChanged, this, &TFrmTask::UpdateSourceButtons);
    connect(BtnAdd, &QPushButton::clicked, this, &TFrmTask::BtnAddClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TFrmTask::BtnDeleteClick);
    connect(BtnReplace, &QPushButton::clicked, this, &TFrmTask::BtnReplaceClick);
    connect(BtnUp, &QPushButton::clicked, this, &TFrmTask::BtnUpClick);
    connect(BtnDown, &QPushButton::clicked, this, &TFrmTask::BtnDownClick);
    connect(BtnRefer1, &QPushButton::clicked, this,
            [this] { Browse(EditSrc, QStringLiteral("バックアップ元フォルダの選択")); });
    connect(BtnRefer2, &QPushButton::clicked, this,
            [this] { Browse(EditDst, QStringLiteral("バックアップ先フォルダの選択")); });
    connect(RBtnTSModeDate, &QRadioButton::toggled, DTPickerTSModeDate, &QWidget::setEnabled);
    connect(RBtnTSModeDays, &QRadioButton::toggled, EditTSModeDays, &QWidget::setEnabled);
    UpdateSourceButtons();
}

host::TMsgAnswer TFrmTask::Message(host::TMsgKind kind, const std::string& text,
                                   host::TMsgButtons buttons) {
    return ShowMessageBox(this, kind, text, buttons, MessageHook);
}

void TFrmTask::FitToFont() {
    // Sizes given in characters and lines follow the font (the zoom button changes it).
    EditSrc->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 28);
    for (QPlainTextEdit* memo : {MemoSrc, MemoSkipFile})
        memo->setFixedHeight(fontMetrics().lineSpacing() * 5);
    ListSrc->setMinimumHeight(fontMetrics().lineSpacing() * 7);
}

void TFrmTask::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange && EditSrc)
        FitToFont();
}

void TFrmTask::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Zoom->RecordLayout();
}

void TFrmTask::Load(const definition::TVMTask& item) {
    loaded_ = item;
    ListSrc->clear();
    for (const std::string& dir : SplitLines(item.SrcDirs))
        ListSrc->addItem(QFromFileName(dir));
    ListSrc->setCurrentRow(-1);
    EditSrc->clear();
    EditDst->setText(QFromFileName(item.DstDir));
    MemoSrc->setPlainText(MemoText(item.TargetFiles));
    MemoSkipFile->setPlainText(MemoText(item.SkipFiles));
    ChkIncludeHidden->setChecked(item.IncludeHidden);
    ChkIncludeSystem->setChecked(item.IncludeSystem);
    ChkRegExp->setChecked(item.RegExp);
    (item.TSMode == 1   ? RBtnTSModeDate
     : item.TSMode == 2 ? RBtnTSModeDays
                        : RBtnTSModeDefault)
        ->setChecked(true);
    int y = 0, m = 0, d = 0;
    platform::DecodeDate(item.TSModeDate, y, m, d);
    DTPickerTSModeDate->setDate(QDate(y, m, d));
    DTPickerTSModeDate->setEnabled(item.TSMode == 1);
    EditTSModeDays->setValue(item.TSModeDays);
    EditTSModeDays->setEnabled(item.TSMode == 2);
    ChkSubDir->setChecked(item.SubDir);
    ChkNoDeleteFiles->setChecked(item.NoDeleteFiles);
    ChkSaveDeletedFiles->setChecked(item.SaveDeletedFiles);
    ChkSaveModifiedFiles->setChecked(item.SaveModifiedFiles);
    ChkDirNameAsLzhName->setChecked(item.DirNameAsLzhName);
    ChkEnableLzhCache->setChecked(item.EnableLzhCache);
    ChkMsgBeforeExecution->setChecked(item.MsgBeforeExecution);
    EditMsgBeforeExecution->setText(Q(item.MsgBeforeExecutionText));
    ChkNoCompressFiles->setChecked(item.NoCompressFiles);
    EditNoCompress->setText(Q(item.NoCompress));
    UpdateSourceButtons();
}

void TFrmTask::Store(definition::TVMTask& item) const {
    item.SrcDirs.clear();
    for (int i = 0; i < ListSrc->count(); ++i)
        item.SrcDirs += FileNameFromQ(ListSrc->item(i)->text()) + "\r\n";
    item.TargetFiles = MemoLines(MemoSrc->toPlainText());
    item.SkipFiles = MemoLines(MemoSkipFile->toPlainText());
    item.DstDir = platform::ExcludeTrailingPathDelimiter(FileNameFromQ(EditDst->text()));
    item.TSMode = RBtnTSModeDefault->isChecked() ? 0 : RBtnTSModeDate->isChecked() ? 1 : 2;
    const QDate date = DTPickerTSModeDate->date();
    // The picker holds a date; the time of day the item had stays.
    item.TSModeDate = platform::EncodeDate(date.year(), date.month(), date.day()) +
                      platform::TimeOf(loaded_.TSModeDate);
    item.TSModeDays = DaysFromText(EditTSModeDays->text());
    item.IncludeHidden = ChkIncludeHidden->isChecked();
    item.IncludeSystem = ChkIncludeSystem->isChecked();
    item.RegExp = ChkRegExp->isChecked();
    item.SubDir = ChkSubDir->isChecked();
    item.NoDeleteFiles = ChkNoDeleteFiles->isChecked();
    item.SaveDeletedFiles = ChkSaveDeletedFiles->isChecked();
    item.SaveModifiedFiles = ChkSaveModifiedFiles->isChecked();
    item.DirNameAsLzhName = ChkDirNameAsLzhName->isChecked();
    item.EnableLzhCache = ChkEnableLzhCache->isChecked();
    item.MsgBeforeExecution = ChkMsgBeforeExecution->isChecked();
    item.MsgBeforeExecutionText = FromQ(EditMsgBeforeExecution->text());
    item.NoCompressFiles = ChkNoCompressFiles->isChecked();
    item.NoCompress = FromQ(EditNoCompress->text());
}

std::string TFrmTask::Warnings() const {
    std::string text;
    const std::string dst = FileNameFromQ(EditDst->text()).empty()
                                ? std::string()
                                : Normal(FileNameFromQ(EditDst->text()));
    std::map<std::string, std::vector<std::string>> byName;
    for (int i = 0; i < ListSrc->count(); ++i) {
        const std::string raw = FileNameFromQ(ListSrc->item(i)->text());
        if (raw.find_first_not_of(" \t") == std::string::npos)
            continue;
        const std::string src = Normal(raw);
        if (!dst.empty() &&
            (dst == src || dst.starts_with(platform::IncludeTrailingPathDelimiter(src))))
            text += U("コピー先(") + dst + U(")がコピー元(") + src +
                    U(")の中にあります．バックアップがバックアップ自身を含むことになります．\r\n");
        byName[platform::ExtractFileName(src)].push_back(src);
    }
    for (const auto& [name, sources] : byName) {
        if (sources.size() < 2)
            continue;
        text += U("コピー元");
        for (const auto& s : sources)
            text += "(" + s + ")";
        text += U("はどれもディレクトリ名が「") + name +
                U("」なので、コピー先の同じ書庫に入ります．\r\n");
    }
    return text.empty() ? text : text + U("このまま登録します．");
}

void TFrmTask::UpdateSourceButtons() {
    const bool selected = ListSrc->currentRow() >= 0 && ListSrc->currentItem() &&
                          ListSrc->currentItem()->isSelected();
    const bool typed = !EditSrc->text().trimmed().isEmpty();
    BtnAdd->setEnabled(typed);
    BtnReplace->setEnabled(typed && selected);
    BtnDelete->setEnabled(selected);
    BtnUp->setEnabled(selected);
    BtnDown->setEnabled(selected);
}

bool TFrmTask::ConfirmSource(const QString& text) {
    if (platform::DirectoryExists(FileNameFromQ(text)))
        return true;
    return Message(host::TMsgKind::Confirmation,
                   U("ディレクトリ(") + FileNameFromQ(text) + U(")は存在しません．") + "\r\n" +
                       U("本当にコピー元として登録してもよろしいですか？[Y/N]"),
                   host::TMsgButtons::YesNo) == host::TMsgAnswer::Yes;
}

void TFrmTask::BtnAddClick() {
    const QString text = EditSrc->text();
    if (text.trimmed().isEmpty() || !ConfirmSource(text))
        return;
    ListSrc->addItem(text);
    UpdateSourceButtons();
}

void TFrmTask::BtnReplaceClick() {
    QListWidgetItem* item = ListSrc->currentItem();
    const QString text = EditSrc->text();
    if (!item || !item->isSelected() || text.trimmed().isEmpty() || !ConfirmSource(text))
        return;
    item->setText(text);
}

void TFrmTask::BtnDeleteClick() {
    const int r = ListSrc->currentRow();
    if (r < 0 || !ListSrc->currentItem()->isSelected())
        return;
    // No entry is selected afterwards, and the edit keeps what it held.
    const QSignalBlocker quiet(ListSrc);
    delete ListSrc->takeItem(r);
    ListSrc->setCurrentRow(-1);
    UpdateSourceButtons();
}

void TFrmTask::BtnUpClick() {
    const int r = ListSrc->currentRow();
    if (r <= 0)
        return;
    // The entries trade places; the selection stays on the same row.
    const QString above = ListSrc->item(r - 1)->text();
    ListSrc->item(r - 1)->setText(ListSrc->item(r)->text());
    ListSrc->item(r)->setText(above);
    EditSrc->setText(above);
}

void TFrmTask::BtnDownClick() {
    const int r = ListSrc->currentRow();
    if (r < 0 || r + 1 >= ListSrc->count())
        return;
    const QString below = ListSrc->item(r + 1)->text();
    ListSrc->item(r + 1)->setText(ListSrc->item(r)->text());
    ListSrc->item(r)->setText(below);
    EditSrc->setText(below);
}

void TFrmTask::Browse(QLineEdit* edit, const QString& title) {
    TFolderChooser ask;
    if (FolderDialogHook)
        ask = [this, &title](const std::string& start) { return FolderDialogHook(title, start); };
    ChooseFolderInto(edit, title, ask);
}

bool TFrmTask::EditItem(definition::TVMTask& item, QWidget* parent,
                        const std::function<void(TFrmTask&)>& prepare) {
    TFrmTask dialog(parent);
    dialog.Load(item);
    if (prepare)
        prepare(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Store(item);
    return true;
}

} // namespace ui
