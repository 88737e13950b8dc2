// The debug screen component: a bounded trace of rich-text lines in a window of its own,
// shown while the program's debug mode is on.
#pragma once

#include <QColor>
#include <QStringList>

#include <memory>
#include <string>

namespace ui {

class TFrmDebugScreen;

class TTarnDebugScreen {
public:
    TTarnDebugScreen();
    ~TTarnDebugScreen();
    TTarnDebugScreen(const TTarnDebugScreen&) = delete;
    TTarnDebugScreen& operator=(const TTarnDebugScreen&) = delete;

    // Number of lines kept, clamped to 5..1000.
    int MaxLines() const { return maxLines_; }
    void SetMaxLines(int lines);
    // When false every operation does nothing.
    bool Enabled = true;
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // Attributes of the text added from now on.
    QColor Color;
    QString FontName;
    int FontHeight = 12;
    bool Bold = false, Italic = false, Underline = false;

    bool Visible() const;
    void SetVisible(bool visible);

    // Appends a new last line.
    void AddLine(const std::string& text);
    // Inserts "<date time>" (red, bold, underlined) and the text as a line at the caret.
    void AddStampedLine(const std::string& text);
    void Clear();
    const std::string& LastLine() const { return lastLine_; }
    // The lines held, oldest first.
    QStringList Lines() const;

    TFrmDebugScreen& Form() { return *form_; }

private:
    void Trim();

    std::unique_ptr<TFrmDebugScreen> form_;
    int maxLines_ = 100;
    QString caption_;
    std::string lastLine_;
};

} // namespace ui
