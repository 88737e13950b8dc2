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

// File names go to the file system as their bytes.
inline std::string FileNameFromQ(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

inline QString QFromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

} // namespace ui
