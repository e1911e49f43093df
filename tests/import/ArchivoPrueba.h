#pragma once

#include "import/Importacion.h"
#include "support/ServidorPruebas.h"

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

// Transfer files written by hand for the import tests.
namespace prueba {

using Cambios = QMap<int, QByteArray>; // field number -> bytes written instead

inline QByteArray registro(QList<QByteArray> campos, const Cambios& cambios) {
    for (auto it = cambios.cbegin(); it != cambios.cend(); ++it)
        campos[it.key() - 1] = it.value();
    return campos.join(',') + "\r\n";
}

// The database's folio counters, "PE-=10,PE-A=44".
inline QString contadores(pruebas::BaseEmpresa& b) {
    return b.valor(QStringLiteral(
        "SELECT GROUP_CONCAT(CONCAT(Dato, '=', Contenido) ORDER BY Dato) FROM sistema"));
}

// A header of series serie for customer cliente, dated 05/ene/2026.
inline QByteArray encabezado(const QByteArray& serie, const QByteArray& cliente,
                             const Cambios& cambios = {}) {
    return registro({"\"M\"",
                     "999",
                     "\"" + serie + "\"",
                     "\"" + cliente + "\"",
                     "\"05/ene/2026\"",
                     "\"04/feb/2026\"",
                     "\"Nombre " + cliente + "\"",
                     "\"81-1\"",
                     "\"Calle 1\"",
                     "\"64000\"",
                     "\"Centro\"",
                     "\"Monterrey\"",
                     "\"N. L.\"",
                     "\"XAXX010101000\"",
                     "0.00",
                     "100.50",
                     "16.08",
                     "0.00",
                     "0",
                     "0",
                     "0",
                     "\"n1\"",
                     "\"n2\"",
                     "\"n3\"",
                     "\"n4\"",
                     "\"n5\"",
                     "\"nota\"",
                     "\"MN\"",
                     "1.0000",
                     "\"V1\"",
                     "2.50",
                     "\"admin\"",
                     "0.00",
                     "#FALSE#",
                     "#TRUE#",
                     "\"Sr. Atn\"",
                     "\"81-2\"",
                     "\"81-3\"",
                     "\"\"",
                     "4"},
                    cambios);
}

// A line of product producto with that quantity, and a pending quantity (Pedido) that
// differs from it, so a test tells which of the two the import counts.
inline QByteArray renglon(const QByteArray& producto, const QByteArray& cantidad,
                          const Cambios& cambios = {}) {
    return registro({"\"D\"",
                     "1",
                     "\"" + producto + "\"",
                     "\"Tornillo\"",
                     cantidad,
                     "10.5000",
                     "9.0000",
                     "#NULL#",
                     "0.00",
                     "0.00",
                     "0.00",
                     "\"MN\"",
                     "16.00",
                     "0.00",
                     "1.0000",
                     "0.0000",
                     "0.2500",
                     "0",
                     "0",
                     "\"nr\"",
                     "#NULL#"},
                    cambios);
}

// Writes the bytes to a file of the folder and gives its path.
inline QString archivo(const QTemporaryDir& carpeta, const QByteArray& bytes,
                       const QString& nombre = QStringLiteral("pedidos.txt")) {
    const QString ruta = carpeta.filePath(nombre);
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("no se pudo escribir el archivo de prueba");
    return ruta;
}

// Everything an import can change, to compare before and after.
inline QString estado(pruebas::BaseEmpresa& b) {
    QStringList partes;
    auto rs = b.conexion().consulta(
        QStringLiteral("CHECKSUM TABLE pedidos, pedidosdetalle, clientes, productos, sistema"));
    for (; !rs->eof(); rs->MoveNext())
        partes << rs->texto(1);
    return partes.join(QLatin1Char(' '));
}

// The Ids given by imports run at once, each checked to have succeeded.
inline QSet<qint64> idsImportados(const std::vector<importacion::ResultadoImportacion>& r) {
    QSet<qint64> ids;
    for (const auto& una : r) {
        EXPECT_TRUE(una.ok) << una.mensaje.toStdString();
        for (const importacion::PedidoImportado& p : una.importados)
            ids.insert(p.id);
    }
    return ids;
}

} // namespace prueba
