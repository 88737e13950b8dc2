// Rich text as RTF: the text of a document with its colours, bold, italic and underline, every
// character outside ASCII written as a Unicode escape so that any RTF reader shows it.
#pragma once

#include <string>

class QTextDocument;

namespace ui {

std::string DocumentToRtf(const QTextDocument& document, const std::string& fontName);

} // namespace ui
