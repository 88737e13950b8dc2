#include "ui/TFrmDebugScreen.h"

#include "platform/FileUtil.h"
#include "ui/QtText.h"
#include "ui/RtfWriter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextEdit>

namespace ui {

namespace {

// Inserts text at the cursor in blue, bold and italic, then goes back to the format before.
void InsertMarked(QTextEdit* edit, const QString& text) {
    QTextCursor cursor = edit->textCursor();
    const QTextCharFormat previous = cursor.charFormat();
    QTextCharFormat marked = previous;
    marked.setForeground(Qt::blue);
    marked.setFontWeight(QFont::Bold);
    marked.setFontItalic(true);
    cursor.insertText(text, marked);
    cursor.setCharFormat(previous);
    edit->setTextCursor(cursor);
}

} // namespace

TFrmDebugScreen::TFrmDebugScreen(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("DebugScreen"));
    REditConsole = new QTextEdit(this);
    REditConsole->setReadOnly(true);
    REditConsole->setLineWrapMode(QTextEdit::NoWrap);
    REditConsole->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    REditConsole->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setCentralWidget(REditConsole);
    resize(640, 400);

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    ActClearAll = file->addAction(QStringLiteral("Clear &All"), this, &TFrmDebugScreen::ClearAll);
    file->addSeparator();
    ActSaveAsText =
        file->addAction(QStringLiteral("&Save As Text..."), this, &TFrmDebugScreen::SaveAsText);
    ActSaveAsRichText = file->addAction(QStringLiteral("Save As &Rich-Text..."), this,
                                        &TFrmDebugScreen::SaveAsRichText);
    file->addSeparator();
    ActClose = file->addAction(QStringLiteral("&Close"), this, &QWidget::hide);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    ActCopy = edit->addAction(QStringLiteral("&Copy"), this, &TFrmDebugScreen::Copy);
    ActCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    ActCopy->setShortcutContext(Qt::WindowShortcut);
    edit->addSeparator();
    ActFind = edit->addAction(QStringLiteral("&Find..."));
    ActFind->setEnabled(false);
    QMenu* insert = menuBar()->addMenu(QStringLiteral("&Insert"));
    ActDateAndTime = insert->addAction(QStringLiteral("&Date and Time"), this,
                                       &TFrmDebugScreen::InsertDateAndTime);
    ActSplitLine =
        insert->addAction(QStringLiteral("&Split Line"), this, &TFrmDebugScreen::SplitLine);
}

void TFrmDebugScreen::ClearAll() {
    REditConsole->clear();
}

void TFrmDebugScreen::Copy() {
    // The whole text goes to the clipboard; the user's selection stays as it was.
    QApplication::clipboard()->setText(REditConsole->toPlainText());
}

void TFrmDebugScreen::InsertDateAndTime() {
    const QDateTime now = QDateTime::currentDateTime();
    InsertMarked(REditConsole, QStringLiteral("[") +
                                   now.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")) +
                                   QStringLiteral("]"));
}

void TFrmDebugScreen::SplitLine() {
    QTextCursor cursor = REditConsole->textCursor();
    cursor.movePosition(QTextCursor::End);
    if (!cursor.block().text().isEmpty())
        cursor.insertBlock();
    REditConsole->setTextCursor(cursor);
    InsertMarked(REditConsole, QString(76, QLatin1Char('-')));
    cursor = REditConsole->textCursor();
    cursor.insertBlock();
    REditConsole->setTextCursor(cursor);
}

std::optional<std::string> TFrmDebugScreen::AskSaveName(bool richText) {
    if (SaveDialogHook)
        return SaveDialogHook(richText);
    QFileDialog dialog(this, QStringLiteral("DebugScreen"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({richText ? QStringLiteral("Rich Text(*.RTF *.rtf)")
                                    : QStringLiteral("Plain Text(*.TXT *.txt)"),
                           QStringLiteral("All Files(*)")});
    dialog.setDefaultSuffix(richText ? QStringLiteral("RTF") : QStringLiteral("TXT"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileNameFromQ(dialog.selectedFiles().front());
}

void TFrmDebugScreen::Save(const std::string& path, const std::string& bytes) {
    try {
        platform::WriteFileAtomic(path, bytes);
    } catch (const std::exception& e) {
        if (ErrorReporter)
            ErrorReporter(e.what());
        else
            QMessageBox::critical(this, QStringLiteral("DebugScreen"), Q(e.what()));
    }
}

void TFrmDebugScreen::SaveAsText() {
    if (const auto path = AskSaveName(false))
        Save(*path, REditConsole->toPlainText().toStdString());
}

void TFrmDebugScreen::SaveAsRichText() {
    if (const auto path = AskSaveName(true))
        Save(*path, DocumentToRtf(*REditConsole->document(), FontName));
}

} // namespace ui
