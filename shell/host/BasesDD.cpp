#include "shell/host/BasesDD.h"

namespace host {

ParametrosConexion BasesDD::parametros(const QString& base) const {
    ParametrosConexion p;
    p.servidor = cRuta;
    p.puerto = cPuerto;
    p.usuario = cUsuario;
    p.password = cPassword;
    p.base = base;
    return p;
}

std::unique_ptr<Conexion> BasesDD::abre(const QString& base) const {
    return Conexion::abrir(parametros(base));
}

bool BasesDD::AbrirTabla(std::unique_ptr<Recordset>& rs, Conexion& conexion, const QString& fuente,
                         const QVariantList& valores, const QString& campos) {
    rs = conexion.consulta(QStringLiteral("SELECT %1 FROM %2").arg(campos, fuente), valores);
    return !rs->eof();
}

std::unique_ptr<TablaInsercion> BasesDD::AbrirTablaInsercion(Conexion& conexion,
                                                             const QString& tabla) {
    return std::make_unique<TablaInsercion>(conexion, tabla);
}

QString BasesDD::LeeDato(const QString& nombre, Conexion& conexion, const QString& tabla) {
    auto rs = conexion.consulta(QStringLiteral("SELECT Contenido FROM %1 WHERE Dato=?").arg(tabla),
                                {nombre});
    if (rs->eof() || rs->esNulo(0))
        return {};
    return rs->texto(0);
}

} // namespace host
