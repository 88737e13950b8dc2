#include "ui/TFrmFileVersions.h"

#include "platform/FileUtil.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace ui {

namespace {

// The wait cursor while the archives are read, however the reading ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TFrmFileVersions::TFrmFileVersions(TFinder finder, TRestorer restorer, const std::string& startDir,
                                   QWidget* parent)
    : QDialog(parent), finder_(std::move(finder)), restorer_(std::move(restorer)) {
    setWindowTitle(QStringLiteral("ファイルの履歴"));
    auto* layout = new QGridLayout(this);

    EditFile = new QLineEdit(this);
    EditFile->setText(startDir.empty() ? QString()
                                       : QFromFileName(platform::IncludeTrailingPathDelimiter(
                                             platform::ExcludeTrailingPathDelimiter(startDir))));
    EditFile->setToolTip(QStringLiteral("バックアップ項目のコピー元にあるファイル(削除したファイル"
                                        "の名前も可)を指定します。"));
    EditFile->installEventFilter(this);
    BtnBrowseFile = new QPushButton(QStringLiteral("参照(&B)..."), this);
    BtnBrowseFile->setAutoDefault(false);
    BtnList = new QPushButton(QStringLiteral("表示(&L)"), this);
    BtnList->setAutoDefault(false);
    BtnList->setToolTip(QStringLiteral("このファイルのバックアップにある版を一覧します。"));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(Buddy(QStringLiteral("ファイル(&F):"), EditFile, this));
    fileRow->addWidget(EditFile, 1);
    fileRow->addWidget(BtnBrowseFile);
    fileRow->addWidget(BtnList);
    layout->addLayout(fileRow, 0, 0, 1, 4);

    LvVersions = new QTreeWidget(this);
    LvVersions->setColumnCount(3);
    LvVersions->setHeaderLabels(
        {QStringLiteral("日時"), QStringLiteral("サイズ"), QStringLiteral("保管場所")});
    LvVersions->setRootIsDecorated(false);
    LvVersions->setUniformRowHeights(true);
    LvVersions->setSelectionMode(QAbstractItemView::SingleSelection);
    LvVersions->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    LvVersions->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    LvVersions->header()->setStretchLastSection(true);
    LvVersions->setMinimumSize(640, 200);
    layout->addWidget(Buddy(QStringLiteral("版(&V):"), LvVersions, this), 1, 0, 1, 4);
    layout->addWidget(LvVersions, 2, 0, 1, 4);
    LblStatus = new QLabel(this);
    LblStatus->setObjectName(QStringLiteral("LblStatus"));
    LblStatus->setWordWrap(true);
    LblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(LblStatus, 3, 0, 1, 4);

    RBtnOriginal = new QRadioButton(QStringLiteral("元の場所へ復元する(&O)"), this);
    RBtnOriginal->setToolTip(QStringLiteral(
        "ファイルのあった場所へ復元します。そこにあるファイルの方が新しいときは確認します。"));
    RBtnFolder = new QRadioButton(QStringLiteral("指定したフォルダへ復元する(&D):"), this);
    auto* group = new QButtonGroup(this);
    group->addButton(RBtnOriginal);
    group->addButton(RBtnFolder);
    RBtnOriginal->setChecked(true);
    EditFolder = new QLineEdit(this);
    BtnBrowseFolder = new QPushButton(QStringLiteral("参照(&E)..."), this);
    BtnBrowseFolder->setAutoDefault(false);
    layout->addWidget(RBtnOriginal, 4, 0, 1, 4);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(RBtnFolder);
    folderRow->addWidget(EditFolder, 1);
    folderRow->addWidget(BtnBrowseFolder);
    layout->addLayout(folderRow, 5, 0, 1, 4);

    auto* buttons = new QDialogButtonBox(this);
    BtnRestore = buttons->addButton(QStringLiteral("復元(&R)"), QDialogButtonBox::ApplyRole);
    BtnRestore->setDefault(true);
    BtnClose = buttons->addButton(QStringLiteral("閉じる(&C)"), QDialogButtonBox::RejectRole);
    BtnClose->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 6, 0, 1, 4);

    connect(BtnBrowseFile, &QPushButton::clicked, this, &TFrmFileVersions::BrowseFile);
    connect(BtnList, &QPushButton::clicked, this, &TFrmFileVersions::ShowVersions);
    connect(BtnBrowseFolder, &QPushButton::clicked, this, [this] {
        ChooseFolderInto(EditFolder, QStringLiteral("復元先フォルダ"), FolderChooser);
        RBtnFolder->setChecked(true);
    });
    connect(BtnRestore, &QPushButton::clicked, this, &TFrmFileVersions::RestoreSelected);
    connect(LvVersions, &QTreeWidget::itemSelectionChanged, this, &TFrmFileVersions::UpdateButtons);
    connect(LvVersions, &QTreeWidget::itemDoubleClicked, this, &TFrmFileVersions::RestoreSelected);
    connect(EditFolder, &QLineEdit::textEdited, this, [this] { RBtnFolder->setChecked(true); });
    UpdateButtons();
    EditFile->setFocus();
}

bool TFrmFileVersions::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the file name lists its versions; it does not restore whatever the list shows.
    if (watched == EditFile && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ShowVersions();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFrmFileVersions::BrowseFile() {
    const std::string start = FileNameFromQ(EditFile->text());
    std::optional<std::string> chosen;
    if (FileChooser) {
        chosen = FileChooser(start);
    } else {
        // Any name may be given: a deleted file is named in the directory where it was.
        QFileDialog dialog(this, QStringLiteral("ファイルの選択"),
                           QFromFileName(platform::ExtractFilePath(start)));
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("選択"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = FileNameFromQ(dialog.selectedFiles().front());
    }
    if (!chosen)
        return;
    EditFile->setText(QFromFileName(*chosen));
    ShowVersions();
}

void TFrmFileVersions::ShowVersions() {
    const std::string path = FileNameFromQ(EditFile->text().trimmed());
    LvVersions->clear();
    versions_ = {};
    listedPath_.clear();
    if (path.empty() || path.back() == '/') {
        LblStatus->setText(QStringLiteral("ファイルを指定してください。"));
        UpdateButtons();
        return;
    }
    {
        const WaitCursor wait;
        LblStatus->setText(QStringLiteral("書庫を読んでいます..."));
        LblStatus->repaint();
        versions_ = finder_(path);
    }
    listedPath_ = path;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::DefaultNumberOptions); // thousands separated
    for (const engine::TFileVersion& v : versions_.Versions) {
        auto* row = new QTreeWidgetItem(LvVersions);
        row->setText(0, Q(platform::FormatDateTime("yyyy/mm/dd hh:nn:ss", v.Time)));
        row->setText(1, c.toString(static_cast<qlonglong>(v.Size)));
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(2, QFromFileName(v.Archive));
        row->setToolTip(2, QFromFileName(v.Archive) + (v.Latest
                                                           ? QStringLiteral("\n最新のバックアップ")
                                                           : QStringLiteral("\n履歴バックアップ")));
    }
    QString status = versions_.Versions.empty()
                         ? QStringLiteral("このファイルのバックアップはありません。")
                         : QStringLiteral("%1 個の版があります。").arg(versions_.Versions.size());
    for (const std::string& archive : versions_.Unreadable)
        status += QStringLiteral("\n書庫を読み込めません：") + QFromFileName(archive);
    LblStatus->setText(status);
    if (!versions_.Versions.empty()) {
        LvVersions->setCurrentItem(LvVersions->topLevelItem(0));
        LvVersions->setFocus();
    }
    UpdateButtons();
}

bool TFrmFileVersions::RestoreSelected() {
    const int row =
        LvVersions->currentItem() ? LvVersions->indexOfTopLevelItem(LvVersions->currentItem()) : -1;
    if (row < 0 || row >= static_cast<int>(versions_.Versions.size()))
        return false;
    std::string dir;
    if (RBtnOriginal->isChecked()) {
        dir = platform::ExtractFilePath(platform::ExpandFileName(listedPath_));
    } else {
        dir = FileNameFromQ(EditFolder->text().trimmed());
        if (dir.empty()) {
            LblStatus->setText(QStringLiteral("復元先のフォルダを指定してください。"));
            EditFolder->setFocus();
            return false;
        }
        dir = platform::ExpandFileName(dir);
    }
    const engine::TFileVersion& version = versions_.Versions[static_cast<std::size_t>(row)];
    const engine::TVersionRestore outcome = restorer_(version, dir);
    const QString where =
        QFromFileName(platform::IncludeTrailingPathDelimiter(dir) + version.Member);
    const QString when = Q(platform::FormatDateTime("yyyy/mm/dd hh:nn:ss", version.Time));
    switch (outcome) {
    case engine::TVersionRestore::Restored:
        LblStatus->setText(QStringLiteral("%1 の版を復元しました：%2").arg(when, where));
        return true;
    case engine::TVersionRestore::Declined:
        LblStatus->setText(QStringLiteral("復元しませんでした：%1").arg(where));
        return false;
    case engine::TVersionRestore::Failed:
        LblStatus->setText(QStringLiteral("復元できませんでした：%1").arg(where));
        return false;
    }
    return false;
}

void TFrmFileVersions::UpdateButtons() {
    BtnRestore->setEnabled(LvVersions->currentItem() != nullptr);
}

} // namespace ui
