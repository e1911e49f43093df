#include "import/InsercionEnBloque.h"
#include "import/FilasEnBloque.h"
#include "support/ServidorPruebas.h"

#include <QDateTime>
#include <gtest/gtest.h>

using pruebas::BaseEmpresa;

// The bulk path (MariaDB) and the multi-row INSERT (any other server) store the same values.
TEST(InsercionEnBloque, BulkAndTextPathsStoreTheSameValues) {
    BaseEmpresa b(QStringLiteral("bloque"));
    const QByteArray inicio = "INSERT INTO pedidos (Id,Serie,Nombre,Fecha,Capturado,Subtotal,"
                              "Afectada,Nota) VALUES ";
    // One set of rows, emptied and filled again between statements, as an import does.
    importacion::FilasEnBloque filas(8);
    const auto llena = [&filas](qlonglong base) {
        filas.vacia();
        filas.agregaFila(QVector<QVariant>{
            base + 1, QStringLiteral("A"), QString::fromUtf8("O'Brien \"x\" \\ ñ ¿ 😀"),
            QDate(2026, 1, 5), QDateTime(QDate(2026, 1, 5), QTime(9, 30, 0)),
            QStringLiteral("12.50"), true, QVariant()});
        filas.agregaFila(QVector<QVariant>{base + 2, QString(), QStringLiteral(""), QVariant(),
                                           QVariant(), qlonglong(-3), false,
                                           QStringLiteral("línea\r\notra")});
    };
    importacion::InsercionEnBloque enBloque(inicio, 8, {}, true);
    llena(20);
    filas.agregaFila(QVector<QVariant>{qlonglong(29), QStringLiteral("Z"),
                                       QString(100, QLatin1Char('x')), QVariant(), QVariant(), 0,
                                       false, QVariant()});
    enBloque.inserta(b.conexion(), filas);
    llena(0);
    enBloque.inserta(b.conexion(), filas);
    llena(10);
    importacion::InsercionEnBloque(inicio, 8, {}, false).inserta(b.conexion(), filas);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT COUNT(*) FROM pedidos")), QStringLiteral("7"));
    const QString columnas = QStringLiteral(
        "CONCAT_WS('|',Serie,Nombre,IFNULL(Fecha,'n'),IFNULL(Capturado,'n'),Subtotal,Afectada,"
        "IFNULL(Nota,'n'))");
    const QString bloque =
        b.valor(QStringLiteral("SELECT GROUP_CONCAT(%1 ORDER BY Id) FROM pedidos WHERE Id<10")
                    .arg(columnas));
    EXPECT_EQ(bloque, b.valor(QStringLiteral("SELECT GROUP_CONCAT(%1 ORDER BY Id) FROM pedidos "
                                             "WHERE Id BETWEEN 10 AND 19")
                                  .arg(columnas)));
    EXPECT_EQ(bloque, QString::fromUtf8("A|O'Brien \"x\" \\ ñ ¿ 😀|2026-01-05|2026-01-05 09:30:00|"
                                        "12.50|1|n,||n|n|-3.00|0|línea\r\notra"));
}
