#include "shell/host/FalloServidor.h"

#include <gtest/gtest.h>

// Repeating the operation is advised only where the cause can pass by itself; elsewhere the
// message says what to look at, and every message names the database.
TEST(FalloServidor, OnlyFailuresThatCanPassAdviseRepeatingTheOperation) {
    host::ParametrosConexion p;
    p.base = QStringLiteral("empresa2");
    const auto texto = [&](unsigned codigo) {
        return host::falloServidor::enInstruccion(codigo, QStringLiteral("detalle"), p).mensaje;
    };
    // locks, deadlocks, lost connections, too many connections, a full disk
    for (unsigned codigo : {1205u, 1213u, 2006u, 2013u, 1040u, 1203u, 1021u, 1114u}) {
        const QString m = texto(codigo);
        EXPECT_TRUE(m.contains(QStringLiteral("repita la operación")) ||
                    m.contains(QStringLiteral("antes de repetir la operación")))
            << codigo << ": " << m.toStdString();
    }
    const QList<std::pair<unsigned, const char*>> otros = {
        {1364, "valor predeterminado"},
        {1048, "valor predeterminado"},
        {1406, "no cabe en su columna"},
        {1264, "no cabe en su columna"},
        {1292, "no es del tipo de su columna"},
        {1366, "no es del tipo de su columna"},
        {1644, "disparador"},
        {4025, "restricción"},
        {1062, "misma clave"},
        {1452, "clave foránea"},
        {1054, "estructura"},
        {1146, "estructura"},
        {9999, "administrador"},
    };
    for (const auto& [codigo, causa] : otros) {
        const QString m = texto(codigo);
        EXPECT_FALSE(m.contains(QStringLiteral("repita"))) << codigo << ": " << m.toStdString();
        EXPECT_TRUE(m.contains(QString::fromUtf8(causa))) << codigo << ": " << m.toStdString();
        EXPECT_TRUE(m.contains(QStringLiteral("\"empresa2\""))) << m.toStdString();
    }
}

// A missing table is named with the database the server names, which a read of another
// company's tables makes differ from the session's.
TEST(FalloServidor, AMissingTableIsToldInTheDatabaseThatLacksIt) {
    host::ParametrosConexion p;
    p.base = QStringLiteral("empresa1");
    EXPECT_EQ(host::falloServidor::enInstruccion(
                  1146, QStringLiteral("Table 'empresa4.pedidosdetalle' doesn't exist"), p)
                  .mensaje,
              QStringLiteral("En la base de datos \"empresa4\" falta la tabla pedidosdetalle "
                             "(error 1146): la estructura de sus tablas no es la que se esperaba; "
                             "repetir la operación no lo corregirá."));
}
