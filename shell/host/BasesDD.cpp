#include "shell/host/BasesDD.h"

#include "shell/host/ConversionValor.h"

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

bool BasesDD::AbrirBdD(std::unique_ptr<Conexion>& conexion, const QString& base) {
    try {
        conexion = abre(base);
        ultimoError_.clear();
        return true;
    } catch (const ErrorBdD& e) {
        conexion.reset();
        ultimoError_ = e.mensaje();
        return false;
    }
}

std::unique_ptr<Conexion> BasesDD::abre(const QString& base) const {
    return Conexion::abrir(parametros(base));
}

void BasesDD::CierraBdD(std::unique_ptr<Conexion>& conexion) {
    conexion.reset();
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

void BasesDD::GrabaDato(const QString& nombre, const QString& valor, Conexion& conexion,
                        const QString& tabla) {
    // Matched rows are counted (CLIENT_FOUND_ROWS), so an unchanged value is not "missing".
    if (conexion.ejecuta(QStringLiteral("UPDATE %1 SET Contenido=? WHERE Dato=?").arg(tabla),
                         {valor, nombre}) == 0)
        conexion.ejecuta(
            QStringLiteral("INSERT INTO %1 (Dato, Contenido) VALUES (?, ?)").arg(tabla),
            {nombre, valor});
}

void BasesDD::AgregaRegistro(TablaInsercion& rs, Conexion& conexion, const QString& tabla,
                             const QStringList& columnas, const QStringList& valores) {
    Q_UNUSED(conexion);
    if (rs.tabla() != tabla)
        throw ErrorBdD(
            QStringLiteral("El registro para %1 se quiso agregar en %2.").arg(tabla, rs.tabla()));
    if (columnas.size() != valores.size())
        throw ErrorBdD(
            QStringLiteral("Las listas de columnas y valores de %1 no coinciden.").arg(tabla));
    rs.AddNew();
    for (int i = 1; i < columnas.size(); ++i) {
        const Columna& c = rs.columna(columnas[i]);
        rs.asigna(columnas[i], convierteTexto(c, valores[i]));
    }
    rs.Update();
}

quint64 BasesDD::LastId(Conexion& conexion, const QString& tabla, const QString& campo) {
    Q_UNUSED(tabla);
    Q_UNUSED(campo);
    return conexion.ultimoId();
}

} // namespace host
