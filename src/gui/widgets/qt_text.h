// The program keeps its texts as single-byte std::string in the system's
// code page; the windows need QString. These two are the only crossing.
#pragma once

#include <QString>
#include <string>

namespace marklift {

inline QString toQString(const std::string& text) {
    return QString::fromLocal8Bit(text);
}
inline std::string fromQString(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

}  // namespace marklift
