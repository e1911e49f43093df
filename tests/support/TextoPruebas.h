#pragma once

#include <QString>
#include <ostream>

// Failed comparisons show the text, not its UTF-16 units.
inline void PrintTo(const QString& texto, std::ostream* os) {
    *os << '"' << texto.toStdString() << '"';
}
