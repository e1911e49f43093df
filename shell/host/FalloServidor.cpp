#include "shell/host/FalloServidor.h"

#include <QRegularExpression>

namespace host::falloServidor {

namespace {

QString textoServidor(const ParametrosConexion& p) {
    if (!p.socket.isEmpty())
        return QStringLiteral("%1 (socket %2)").arg(p.servidor, p.socket);
    return QStringLiteral("%1, puerto %2").arg(p.servidor).arg(p.puerto);
}

// Who was connecting, for whoever looks into it: " (base de datos "x", usuario "y")".
QString paraQuien(const ParametrosConexion& p) {
    if (p.base.isEmpty())
        return QStringLiteral(" (usuario \"%1\")").arg(p.usuario);
    return QStringLiteral(" (base de datos \"%1\", usuario \"%2\")").arg(p.base, p.usuario);
}

// The server's answers that mean the same to the user, whether on connecting or later. base:
// the database concerned; empty when only the detail names it (a later "USE").
QString comun(unsigned codigo, const ParametrosConexion& p, const QString& base) {
    const QString laBase = base.isEmpty() ? QStringLiteral("la base de datos indicada")
                                          : QStringLiteral("la base de datos \"%1\"").arg(base);
    switch (codigo) {
    case 1040: // too many connections
    case 1203: // too many for this user
        return QStringLiteral("El servidor %1 tiene demasiadas conexiones abiertas: espere un "
                              "momento, o cierre otros programas que lo usen, y repita la "
                              "operación.")
            .arg(textoServidor(p));
    case 1044: // access denied to the database
        return QStringLiteral("El usuario \"%1\" no tiene permiso para usar %2: pida al "
                              "administrador del servidor que se lo dé, o revise el nombre de la "
                              "base de datos en la configuración.")
            .arg(p.usuario, laBase);
    case 1049: // unknown database
        return QStringLiteral("No existe %1 en el servidor %2: revise su nombre en la "
                              "configuración.")
            .arg(laBase, textoServidor(p));
    default:
        return {};
    }
}

// A refusal that stays whatever the number of tries: what to look at instead. The detail that
// follows names the column, the value or the rule.
QString sinRemedioAlRepetir(unsigned codigo, const QString& base, const QString& detalle) {
    QString causa;
    switch (codigo) {
    case 1364: // no value and no default
    case 1048: // NULL in a column that takes none
        causa = QStringLiteral("una columna que exige un valor no lo recibió, y no tiene valor "
                               "predeterminado: revise esa columna o el dato que le corresponde");
        break;
    case 1406: // too long
    case 1264: // out of range
    case 1265: // truncated
    case 1690: // out of range in an expression
        causa = QStringLiteral("un dato no cabe en su columna: revise el tamaño de la columna o "
                               "el dato");
        break;
    case 1292: // wrong date, time or number
    case 1366: // wrong value for the type, or a character its text cannot hold
    case 1367:
        causa = QStringLiteral("un dato no es del tipo de su columna (o tiene caracteres que la "
                               "columna no admite): revise el dato y el tipo de la columna");
        break;
    case 1644: // SIGNAL in a trigger or a procedure
        causa = QStringLiteral("un disparador (trigger) o un procedimiento de la base de datos "
                               "rechazó el cambio: revise con el administrador de la base de "
                               "datos el motivo que da");
        break;
    case 4025: // CHECK constraint
        causa = QStringLiteral("una restricción de la tabla (CHECK) rechazó un dato: revise la "
                               "restricción y el dato");
        break;
    case 1062: // duplicate key
    case 1586:
        causa = QStringLiteral("ya hay un registro con la misma clave: revise la clave repetida");
        break;
    case 1451: // referenced by a foreign key
    case 1452: // foreign key without its row
        causa = QStringLiteral("una clave foránea entre tablas impidió el cambio: revise la "
                               "relación y los datos que enlaza");
        break;
    case 1146: { // unknown table: the server names it with its database, which may not be
                 // the session's (a read of another company's tables)
        static const QRegularExpression nombre(QStringLiteral("^Table '([^'.]+)\\.([^']+)'"));
        const QRegularExpressionMatch m = nombre.match(detalle);
        return QStringLiteral("En la base de datos \"%1\" falta la tabla %2 (error 1146): la "
                              "estructura de sus tablas no es la que se esperaba; repetir la "
                              "operación no lo corregirá.")
            .arg(m.hasMatch() ? m.captured(1) : base,
                 m.hasMatch() ? m.captured(2) : QStringLiteral("que se menciona"));
    }
    case 1054: // unknown column
    case 1136: // column count
    case 1442: // the table is in use by the statement that fired the trigger
        causa = QStringLiteral("la estructura de sus tablas no es la que se esperaba: revise "
                               "la tabla o la columna que se menciona");
        break;
    default:
        return QStringLiteral("Error de la base de datos \"%1\" (%2): consulte al administrador "
                              "del servidor con el detalle que sigue.")
            .arg(base)
            .arg(codigo);
    }
    return QStringLiteral("La base de datos \"%1\" no aceptó el cambio (error %2): %3; "
                          "repetir la operación no lo corregirá.")
        .arg(base)
        .arg(codigo)
        .arg(causa);
}

} // namespace

FalloSistema alConectar(unsigned codigo, const QString& detalle, const ParametrosConexion& p) {
    QString mensaje = comun(codigo, p, p.base);
    if (!mensaje.isEmpty())
        return {mensaje, detalle};
    // The client library tells a refused certificate under several numbers (2026, or that of
    // the step it failed in); its text says TLS.
    if (!p.certificadoCA.isEmpty() && (codigo == 2026 || detalle.contains(QStringLiteral("TLS")) ||
                                       detalle.contains(QStringLiteral("SSL"))))
        return {QStringLiteral("No se pudo establecer la conexión cifrada con el servidor %1: su "
                               "certificado no se pudo verificar con el certificado de la "
                               "autoridad (CA) \"%2\", no corresponde al nombre del servidor, "
                               "o el servidor no acepta conexiones cifradas.")
                    .arg(textoServidor(p), p.certificadoCA),
                detalle};
    switch (codigo) {
    case 2002: // no socket or refused
    case 2003: // no answer on the port
    case 2013: // cut off while greeting
        mensaje = QStringLiteral("No se pudo conectar con el servidor %1%2: revise que esté "
                                 "encendido y acepte conexiones.")
                      .arg(textoServidor(p), paraQuien(p));
        break;
    case 2005: // unknown host
        mensaje = QStringLiteral("No se encontró el servidor %1 en la red%2: revise su nombre en "
                                 "la configuración y que la red funcione.")
                      .arg(p.servidor, paraQuien(p));
        break;
    case 1045: // wrong user or password
        mensaje = QStringLiteral("El servidor %1 no aceptó al usuario \"%2\" con su contraseña: "
                                 "revise el usuario y la contraseña guardados en la instalación.")
                      .arg(textoServidor(p), p.usuario);
        break;
    default:
        mensaje = QStringLiteral("No se pudo conectar a la base de datos \"%1\" en el servidor %2 "
                                 "con el usuario \"%3\": repita la operación; si vuelve a fallar, "
                                 "consulte al administrador del servidor.")
                      .arg(p.base, textoServidor(p), p.usuario);
    }
    return {mensaje, detalle};
}

FalloSistema enInstruccion(unsigned codigo, const QString& detalle, const ParametrosConexion& p) {
    QString mensaje = comun(codigo, p, {});
    if (!mensaje.isEmpty())
        return {mensaje, detalle};
    switch (codigo) {
    case 2006: // server gone away
    case 2013: // connection lost during the statement
    case 2055: // lost, with the system's reason
    case 5013: // the link failed while reading
    case 5014: // the link failed while writing
        mensaje = QStringLiteral("Se perdió la conexión con el servidor %1 (base de datos \"%2\"): "
                                 "revise que siga encendido y que la red funcione antes de repetir "
                                 "la operación.")
                      .arg(textoServidor(p), p.base);
        break;
    case 1142: // statement denied on a table
    case 1143: // denied on a column
        mensaje = QStringLiteral("El usuario \"%1\" no tiene permiso para esta operación en la "
                                 "base de datos \"%2\": pida al administrador del servidor que se "
                                 "lo dé.")
                      .arg(p.usuario, p.base);
        break;
    case 1205: // lock wait timeout
    case 1213: // deadlock
        mensaje = QStringLiteral("Otro usuario está cambiando los mismos datos de la base de datos "
                                 "\"%1\": espere un momento y repita la operación.")
                      .arg(p.base);
        break;
    case 1021: // disk full
    case 1114: // table full
        mensaje = QStringLiteral("El servidor %1 no tiene espacio para guardar los datos de la "
                                 "base de datos \"%2\": pida al administrador del servidor que "
                                 "libere espacio y repita la operación.")
                      .arg(textoServidor(p), p.base);
        break;
    default:
        mensaje = sinRemedioAlRepetir(codigo, p.base, detalle);
    }
    return {mensaje, detalle};
}

} // namespace host::falloServidor
