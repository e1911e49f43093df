#include "ArchivoPrueba.h"
#include "import/Importacion.h"
#include "shell/host/Conexion.h"

#include <gtest/gtest.h>

using importacion::SubePedidos;
using pruebas::BaseEmpresa;
using namespace prueba;

namespace {

// A column of pedidos laid out in a character set of its own, with a value just at its
// limit and one just past it, both with accents.
struct Caso {
    int campo; // of the header record
    const char* columna;
    const char* tipo;
    QString cabe, sobra;
};

QByteArray entreComillas(const QString& t) {
    return '"' + t.toUtf8() + '"';
}

} // namespace

// Each value is measured in the unit its column counts: characters for CHAR and VARCHAR
// whatever the set, bytes of the column's own set for the TEXT types, bytes for a binary
// column. The check refuses exactly what the server would refuse, naming the column.
TEST(SubePedidos, TheCheckMeasuresEachTextInItsColumnsOwnUnit) {
    BaseEmpresa b(QStringLiteral("imlargos"));
    const QString n = QString::fromUtf8("ñ"), e = QString::fromUtf8("€");
    const QString cara = QString::fromUtf8("😀"); // two UTF-16 units, one character
    const Caso casos[] = {
        {22, "NotaF1", "VARCHAR(10) CHARACTER SET latin1", n.repeated(10), n.repeated(11)},
        {23, "NotaF2", "VARCHAR(10) CHARACTER SET utf8mb4", e.repeated(9) + cara,
         e.repeated(10) + cara},
        {24, "NotaF3", "VARBINARY(10)", n.repeated(5), n.repeated(5) + QLatin1Char('a')},
        // 255 bytes: 127 two-byte characters and one more byte fit, 128 do not.
        {25, "NotaF4", "TINYTEXT CHARACTER SET utf8mb4", n.repeated(127) + QLatin1Char('a'),
         n.repeated(128)},
        // Three bytes a character at most, yet 255 ASCII characters fit in its 255 bytes.
        {26, "NotaF5", "TINYTEXT CHARACTER SET utf8mb3", QString(255, QLatin1Char('a')),
         QString(254, QLatin1Char('a')) + n},
        {27, "Nota", "TINYTEXT CHARACTER SET latin1", n.repeated(255), n.repeated(256)},
    };
    QStringList cambios;
    for (const Caso& c : casos)
        cambios << QStringLiteral("MODIFY %1 %2 NULL")
                       .arg(QLatin1String(c.columna), QLatin1String(c.tipo));
    b.ejecuta(QStringLiteral("ALTER TABLE pedidos ") + cambios.join(QStringLiteral(", ")));
    QTemporaryDir carpeta;

    Cambios justos;
    for (const Caso& c : casos)
        justos[c.campo] = entreComillas(c.cabe);
    auto r =
        SubePedidos(b.conexion(), archivo(carpeta, encabezado("A", "C1", justos)), carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    for (const Caso& c : casos)
        EXPECT_EQ(b.valor(QStringLiteral("SELECT CONVERT(%1 USING utf8mb4) FROM pedidos")
                              .arg(QLatin1String(c.columna))),
                  c.cabe)
            << c.columna;

    for (const Caso& c : casos) {
        // The server itself refuses the value...
        EXPECT_THROW(b.ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Factura, %1) VALUES "
                                              "(900, 900, ?)")
                                   .arg(QLatin1String(c.columna)),
                               {c.sobra}),
                     host::ErrorBdD)
            << c.columna;
        // ... and the check refuses it first, before anything is written.
        const qint64 antes = b.cuenta(QStringLiteral("pedidos"));
        r = SubePedidos(
            b.conexion(),
            archivo(carpeta, encabezado("A", "C1", {{c.campo, entreComillas(c.sobra)}})),
            carpeta.path());
        EXPECT_FALSE(r.ok) << c.columna;
        EXPECT_TRUE(r.mensaje.contains(
            QStringLiteral("la columna %1 de la tabla pedidos").arg(QLatin1String(c.columna))))
            << r.mensaje.left(400).toStdString();
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("No se escribió nada")))
            << r.mensaje.left(400).toStdString();
        EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), antes);
    }
}
