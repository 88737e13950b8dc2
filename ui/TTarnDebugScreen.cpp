#include "ui/TTarnDebugScreen.h"

#include "ui/QtText.h"
#include "ui/TFrmDebugScreen.h"

#include <QDateTime>
#include <QPalette>
#include <QTextBlock>
#include <QTextEdit>

#include <algorithm>

namespace ui {

TTarnDebugScreen::TTarnDebugScreen() : form_(std::make_unique<TFrmDebugScreen>()) {
    Color = form_->palette().color(QPalette::WindowText);
    SetCaption(QStringLiteral("Debug Screen"));
    form_->FontName = "monospace";
}

TTarnDebugScreen::~TTarnDebugScreen() = default;

void TTarnDebugScreen::SetMaxLines(int lines) {
    maxLines_ = std::clamp(lines, 5, 1000);
    Trim();
}

void TTarnDebugScreen::SetCaption(const QString& caption) {
    caption_ = caption;
    form_->setWindowTitle(caption);
}

bool TTarnDebugScreen::Visible() const {
    return form_->isVisible();
}

void TTarnDebugScreen::SetVisible(bool visible) {
    if (!Enabled)
        return;
    form_->setVisible(visible);
}

namespace {

QTextCharFormat TextFormat(const TTarnDebugScreen& screen) {
    QTextCharFormat format;
    format.setForeground(screen.Color);
    if (!screen.FontName.isEmpty())
        format.setFontFamilies({screen.FontName});
    // The height is in pixels at 96 dots per inch, as the screen's own fonts are given.
    format.setFontPointSize(screen.FontHeight > 0 ? screen.FontHeight * 0.75 : 9);
    format.setFontWeight(screen.Bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(screen.Italic);
    format.setFontUnderline(screen.Underline);
    return format;
}

// A cursor at the start of an empty line: the last one, or a new one after the text.
QTextCursor FreshLine(QTextCursor cursor) {
    if (!cursor.block().text().isEmpty()) {
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertBlock();
    }
    return cursor;
}

} // namespace

void TTarnDebugScreen::AddLine(const std::string& text) {
    if (!Enabled)
        return;
    QTextEdit* edit = form_->REditConsole;
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    cursor = FreshLine(cursor);
    cursor.insertText(Q(text), TextFormat(*this));
    cursor.insertBlock();
    lastLine_ = text;
    Trim();
}

void TTarnDebugScreen::AddStampedLine(const std::string& text) {
    if (!Enabled)
        return;
    QTextEdit* edit = form_->REditConsole;
    QTextCursor cursor = FreshLine(edit->textCursor());
    QTextCharFormat stamp = TextFormat(*this);
    stamp.setForeground(Qt::red);
    stamp.setFontWeight(QFont::Bold);
    stamp.setFontUnderline(true);
    const QDateTime now = QDateTime::currentDateTime();
    cursor.insertText(QStringLiteral("<") + now.toString(QStringLiteral("yyyy/MM/dd H:mm:ss")) +
                          QStringLiteral(">"),
                      stamp);
    cursor.insertText(Q(text), TextFormat(*this));
    cursor.insertBlock();
    lastLine_ = text;
    Trim();
}

void TTarnDebugScreen::Clear() {
    if (!Enabled)
        return;
    form_->REditConsole->clear();
}

QStringList TTarnDebugScreen::Lines() const {
    QStringList lines = form_->REditConsole->toPlainText().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void TTarnDebugScreen::Trim() {
    QTextEdit* edit = form_->REditConsole;
    QTextDocument* document = edit->document();
    // The text ends with an empty line after the last one written; it does not count.
    const bool emptyLast = document->lastBlock().text().isEmpty();
    const int lines = document->blockCount() - (emptyLast ? 1 : 0);
    if (lines > maxLines_) {
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, lines - maxLines_);
        cursor.removeSelectedText();
    }
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    edit->setTextCursor(end);
}

} // namespace ui
