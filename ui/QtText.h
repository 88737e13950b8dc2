// Texts between the program's code page and Qt, and file names between Qt and the file system.
#pragma once

#include "platform/CodePage.h"

#include <QFile>
#include <QString>

#include <string>

namespace ui {

inline QString Q(const std::string& text) {
    return QString::fromStdString(platform::ToUtf8(text));
}

inline std::string FromQ(const QString& text) {
    return platform::FromUtf8(text.toStdString());
}

// A multi-line text of the program (lines ending in CR LF, as definitions store them) for a
// text box, and back.
inline QString MemoText(const std::string& text) {
    QString q = Q(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

inline std::string MemoLines(QString text) {
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return FromQ(text);
}

// File names go to the file system as their bytes.
inline std::string FileNameFromQ(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

inline QString QFromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

} // namespace ui
