#include "ui/RtfWriter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <vector>

namespace ui {

namespace {

// Text of a run: RTF's special characters escaped, characters beyond ASCII as \uN? (N a signed
// 16-bit number, one escape per UTF-16 unit as the format prescribes).
std::string Escape(const QString& text) {
    std::string out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == 0x2028 || u == 0x2029 || u == '\n') {
            out += "\\line ";
        } else if (u >= 0x20 && u < 0x80) {
            out += static_cast<char>(u);
        } else if (u >= 0x80) {
            out += "\\u" + std::to_string(static_cast<std::int16_t>(u)) + "?";
        }
    }
    return out;
}

int ColorIndex(std::vector<QColor>& colors, const QColor& color) {
    for (std::size_t i = 0; i < colors.size(); ++i)
        if (colors[i] == color)
            return static_cast<int>(i) + 1;
    colors.push_back(color);
    return static_cast<int>(colors.size());
}

} // namespace

std::string DocumentToRtf(const QTextDocument& document, const std::string& fontName) {
    std::vector<QColor> colors;
    std::string body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            body += "{\\cf" + std::to_string(ColorIndex(colors, format.foreground().color()));
            if (format.fontWeight() >= QFont::Bold)
                body += "\\b";
            if (format.fontItalic())
                body += "\\i";
            if (format.fontUnderline())
                body += "\\ul";
            body += " " + Escape(fragment.text()) + "}";
        }
        if (block.next().isValid())
            body += "\\par\n";
    }
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fmodern " +
                      Escape(QString::fromStdString(fontName)) + ";}}\n{\\colortbl;";
    for (const QColor& c : colors)
        rtf += "\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) +
               "\\blue" + std::to_string(c.blue()) + ";";
    rtf += "}\n\\f0\\fs24\n" + body + "\n}\n";
    return rtf;
}

} // namespace ui
