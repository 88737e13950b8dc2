// The backup item editor: source directories, destination, file patterns, time-stamp rule and
// options of one item, copied back into the item only on OK.
#pragma once

#include "definition/TVMTask.h"
#include "ui/MessageBox.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace ui {

class TDlgZoomButton;

class TFrmTask : public QDialog {
    Q_OBJECT

public:
    explicit TFrmTask(QWidget* parent = nullptr);

    // Loads the controls from the item, shows the dialog and on OK stores them back (true).
    // `prepare` lets tests reach the dialog before it shows.
    static bool EditItem(definition::TVMTask& item, QWidget* parent,
                         const std::function<void(TFrmTask&)>& prepare = {});

    void Load(const definition::TVMTask& item);
    void Store(definition::TVMTask& item) const;
    // The problems of the item as the controls describe it that deserve a warning (the
    // destination inside a source, sources that would share one archive); empty when none.
    std::string Warnings() const;

    // Tests answer the boxes and the folder browser through these.
    TMessageHook MessageHook;
    std::function<std::optional<std::string>(const QString& title, const std::string& start)>
        FolderDialogHook;

    void BtnAddClick();
    void BtnDeleteClick();
    void BtnReplaceClick();
    void BtnUpClick();
    void BtnDownClick();
    void UpdateSourceButtons();

    QTabWidget* Pages = nullptr;
    QListWidget* ListSrc = nullptr;
    QLineEdit* EditSrc = nullptr;
    QPushButton* BtnRefer1 = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnDelete = nullptr;
    QPushButton* BtnReplace = nullptr;
    QPushButton* BtnUp = nullptr;
    QPushButton* BtnDown = nullptr;
    QLineEdit* EditDst = nullptr;
    QPushButton* BtnRefer2 = nullptr;
    QPlainTextEdit* MemoSrc = nullptr;
    QPlainTextEdit* MemoSkipFile = nullptr;
    QCheckBox* ChkIncludeHidden = nullptr;
    QCheckBox* ChkIncludeSystem = nullptr;
    QCheckBox* ChkRegExp = nullptr;
    QRadioButton* RBtnTSModeDefault = nullptr;
    QRadioButton* RBtnTSModeDate = nullptr;
    QRadioButton* RBtnTSModeDays = nullptr;
    QDateEdit* DTPickerTSModeDate = nullptr;
    QSpinBox* EditTSModeDays = nullptr;
    QCheckBox* ChkSubDir = nullptr;
    QCheckBox* ChkNoDeleteFiles = nullptr;
    QCheckBox* ChkSaveDeletedFiles = nullptr;
    QCheckBox* ChkSaveModifiedFiles = nullptr;
    QCheckBox* ChkDirNameAsLzhName = nullptr;
    QCheckBox* ChkEnableLzhCache = nullptr;
    QCheckBox* ChkMsgBeforeExecution = nullptr;
    QLineEdit* EditMsgBeforeExecution = nullptr;
    QCheckBox* ChkNoCompressFiles = nullptr;
    QLineEdit* EditNoCompress = nullptr;
    QPushButton* BtnOk = nullptr;
    TDlgZoomButton* Zoom = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FitToFont();
    // Whether `text` may be registered: an existing directory, or the user says Yes.
    bool ConfirmSource(const QString& text);
    void Browse(QLineEdit* edit, const QString& title);
    host::TMsgAnswer Message(host::TMsgKind kind, const std::string& text,
                             host::TMsgButtons buttons);

    definition::TVMTask loaded_;
};

// The days text rule: blank gives 0, a decimal number its value, anything else 0.
std::int32_t DaysFromText(const QString& text);

} // namespace ui
