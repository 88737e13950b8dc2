// The debug screen's window: a read-only rich-text area and its File, Edit and Insert menus.
#pragma once

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QTextEdit;

namespace ui {

class TFrmDebugScreen : public QMainWindow {
    Q_OBJECT

public:
    explicit TFrmDebugScreen(QWidget* parent = nullptr);

    QTextEdit* REditConsole = nullptr;
    QAction* ActClearAll = nullptr;
    QAction* ActSaveAsText = nullptr;
    QAction* ActSaveAsRichText = nullptr;
    QAction* ActClose = nullptr;
    QAction* ActCopy = nullptr;
    QAction* ActFind = nullptr;
    QAction* ActDateAndTime = nullptr;
    QAction* ActSplitLine = nullptr;

    // Tests answer the save dialog (true: rich text) and see failures through these.
    std::function<std::optional<std::string>(bool richText)> SaveDialogHook;
    std::function<void(const std::string&)> ErrorReporter;
    // The font named in saved rich text.
    std::string FontName;

    void ClearAll();
    void SaveAsText();
    void SaveAsRichText();
    void Copy();
    void InsertDateAndTime();
    void SplitLine();

private:
    std::optional<std::string> AskSaveName(bool richText);
    void Save(const std::string& path, const std::string& bytes);
};

} // namespace ui
