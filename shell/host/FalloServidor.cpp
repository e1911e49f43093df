#include "shell/host/FalloServidor.h"

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

} // namespace

FalloSistema alConectar(unsigned codigo, const QString& detalle, const ParametrosConexion& p) {
    QString mensaje = comun(codigo, p, p.base);
    if (!mensaje.isEmpty())
        return {mensaje, detalle};
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
        mensaje = QStringLiteral("Error de la base de datos \"%1\" (%2): repita la operación; si "
                                 "vuelve a fallar, consulte al administrador del servidor.")
                      .arg(p.base)
                      .arg(codigo);
    }
    return {mensaje, detalle};
}

} // namespace host::falloServidor
