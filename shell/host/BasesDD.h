#pragma once

#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"
#include "shell/host/TablaInsercion.h"

#include <QStringList>
#include <memory>

namespace host {

// Database access of the host library: the connection settings shared by the whole
// program, and the small operations every part uses on top of Conexion.
class BasesDD {
public:
    QString cRuta = QStringLiteral("localhost"); // server
    unsigned cPuerto = 3306;
    QString cUsuario = QStringLiteral("root");
    QString cPassword;
    QString cMiBase; // the current (main) company database

    ParametrosConexion parametros(const QString& base) const;

    // Opens a connection to the named database; throws ErrorBdD when it cannot.
    std::unique_ptr<Conexion> abre(const QString& base) const;

    // "SELECT campos FROM fuente": fuente is a table name with its where, group and order
    // clauses, whose "?" take valores. True when the recordset has rows.
    static bool AbrirTabla(std::unique_ptr<Recordset>& rs, Conexion& conexion,
                           const QString& fuente, const QVariantList& valores = {},
                           const QString& campos = QStringLiteral("*"));
    // The insertable recordset of a table ("tabla where Id=-9").
    static std::unique_ptr<TablaInsercion> AbrirTablaInsercion(Conexion& conexion,
                                                               const QString& tabla);

    // The Contenido kept under Dato = nombre in a settings table ("sistema" or
    // "configura"); empty when there is no such row.
    static QString LeeDato(const QString& nombre, Conexion& conexion, const QString& tabla);
};

} // namespace host
