#include "import/FilasEnBloque.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace importacion {

FilasEnBloque::FilasEnBloque(int columnas)
    : columnas_(std::size_t(columnas)),
      utf8_(QStringEncoder::Utf8, QStringConverter::Flag::Stateless) {
    // Never a null pointer to bind, even for a column of empty texts.
    for (Columna& c : columnas_)
        c.datos.reserve(64);
}

char* FilasEnBloque::Columna::espacio(std::size_t n) {
    if (usados + n > datos.size())
        datos.resize(std::max(usados + n, datos.size() * 2));
    return datos.data() + usados;
}

template <typename Entero> std::size_t FilasEnBloque::Columna::agregaNumero(Entero n) {
    char* inicio = espacio(24);
    const auto largo = std::size_t(std::to_chars(inicio, inicio + 24, n).ptr - inicio);
    usados += largo;
    return largo;
}

void FilasEnBloque::agregaFila(std::span<const QVariant> fila) {
    if (fila.size() != columnas_.size())
        throw std::logic_error("FilasEnBloque: fila con otro número de columnas");
    for (std::size_t k = 0; k < fila.size(); ++k) {
        Columna& c = columnas_[k];
        const QVariant& v = fila[k];
        const std::size_t antes = c.usados;
        const bool nulo = v.isNull();
        if (!nulo)
            agregaTexto(c, v);
        const std::size_t largo = c.usados - antes;
        c.largos.push_back((unsigned long)largo);
        c.nulos.push_back(nulo ? 1 : 0);
        // Quotes and a comma around it, and each byte perhaps escaped.
        bytes_ += qsizetype(largo) * 2 + 3;
    }
    ++filas_;
}

void FilasEnBloque::reemplazaEnteros(int k, std::span<const qint64> valores) {
    if (qsizetype(valores.size()) != filas_)
        throw std::logic_error("FilasEnBloque: columna con otro número de filas");
    Columna& c = columnas_[std::size_t(k)];
    for (std::size_t f = 0; f < valores.size(); ++f)
        bytes_ -= qsizetype(c.largos[f]) * 2;
    c.usados = 0;
    c.largos.clear();
    std::fill(c.nulos.begin(), c.nulos.end(), 0);
    for (const qint64 n : valores) {
        const std::size_t largo = c.agregaNumero(n);
        c.largos.push_back((unsigned long)largo);
        bytes_ += qsizetype(largo) * 2;
    }
}

void FilasEnBloque::conserva(std::span<const char> quedan) {
    if (qsizetype(quedan.size()) != filas_)
        throw std::logic_error("FilasEnBloque: otro número de filas");
    filas_ = qsizetype(std::count_if(quedan.begin(), quedan.end(), [](char q) { return q != 0; }));
    bytes_ = 0;
    for (Columna& c : columnas_) {
        std::size_t leido = 0, escrito = 0, fila = 0;
        for (std::size_t f = 0; f < quedan.size(); ++f) {
            const std::size_t largo = c.largos[f];
            if (quedan[f]) {
                std::memmove(c.datos.data() + escrito, c.datos.data() + leido, largo);
                c.largos[fila] = (unsigned long)largo;
                c.nulos[fila] = c.nulos[f];
                ++fila;
                escrito += largo;
                bytes_ += qsizetype(largo) * 2 + 3;
            }
            leido += largo;
        }
        c.usados = escrito;
        c.largos.resize(fila);
        c.nulos.resize(fila);
    }
}

void FilasEnBloque::vacia() {
    for (Columna& c : columnas_) {
        c.usados = 0;
        c.largos.clear();
        c.nulos.clear();
    }
    filas_ = 0;
    bytes_ = 0;
}

// The text the server takes for the value's column (what its SQL literal would say).
void FilasEnBloque::agregaTexto(Columna& c, const QVariant& v) {
    const auto bytes = [&c](const QByteArray& texto) {
        std::copy(texto.cbegin(), texto.cend(), c.espacio(std::size_t(texto.size())));
        c.usados += std::size_t(texto.size());
    };
    switch (v.typeId()) {
    case QMetaType::QString: {
        // Most values are texts: encoded straight into the column's buffer.
        const QString& texto = *static_cast<const QString*>(v.constData());
        char* inicio = c.espacio(std::size_t(texto.size()) * 3);
        c.usados += std::size_t(utf8_.appendToBuffer(inicio, texto) - inicio);
        return;
    }
    case QMetaType::Bool:
        *c.espacio(1) = v.toBool() ? '1' : '0';
        ++c.usados;
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
        c.agregaNumero(v.toLongLong());
        return;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        c.agregaNumero(v.toULongLong());
        return;
    case QMetaType::Double:
        bytes(QByteArray::number(v.toDouble(), 'g', 17));
        return;
    case QMetaType::QDate:
        bytes(v.toDate().toString(Qt::ISODate).toLatin1());
        return;
    case QMetaType::QDateTime:
        bytes(v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1());
        return;
    case QMetaType::QByteArray:
        bytes(*static_cast<const QByteArray*>(v.constData()));
        return;
    default:
        bytes(v.toString().toUtf8());
    }
}

} // namespace importacion
