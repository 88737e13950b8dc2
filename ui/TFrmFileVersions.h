// The file-history dialog: the user names a file of the definition's source directories (one
// that was deleted too), sees every version the backups keep of it and brings one back to its
// place or into a chosen folder.
#pragma once

#include "engine/FileVersions.h"
#include "ui/DialogParts.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace ui {

class TFrmFileVersions : public QDialog {
    Q_OBJECT

public:
    // The versions of a path; the restore of one version into a directory (it asks its own
    // questions and reports its own failures).
    using TFinder = std::function<engine::TFileVersions(const std::string& path)>;
    using TRestorer = std::function<engine::TVersionRestore(const engine::TFileVersion& version,
                                                            const std::string& dir)>;

    // `startDir` is where the file is looked for first (the selected item's source directory).
    TFrmFileVersions(TFinder finder, TRestorer restorer, const std::string& startDir,
                     QWidget* parent = nullptr);

    // Replace the file and folder dialogs (tests answer through these).
    std::function<std::optional<std::string>(const std::string& start)> FileChooser;
    TFolderChooser FolderChooser;

    // Lists the versions of the file named in EditFile.
    void ShowVersions();
    // Restores the selected version where the options say; true when it was restored.
    bool RestoreSelected();
    // The versions the list shows, in its order.
    const engine::TFileVersions& Versions() const { return versions_; }

    QLineEdit* EditFile = nullptr;
    QPushButton* BtnBrowseFile = nullptr;
    QPushButton* BtnList = nullptr;
    QTreeWidget* LvVersions = nullptr;
    QLabel* LblStatus = nullptr;
    QRadioButton* RBtnOriginal = nullptr;
    QRadioButton* RBtnFolder = nullptr;
    QLineEdit* EditFolder = nullptr;
    QPushButton* BtnBrowseFolder = nullptr;
    QPushButton* BtnRestore = nullptr;
    QPushButton* BtnClose = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BrowseFile();
    void UpdateButtons();

    TFinder finder_;
    TRestorer restorer_;
    engine::TFileVersions versions_;
    // The path the list was made for.
    std::string listedPath_;
};

} // namespace ui
