#include "accumulation/ConsultasAcumulacion.h"

#include "shell/Cantidad.h"
#include "shell/host/BasesDD.h"
#include "shell/host/libNucleo.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace acumulacion {

using host::BasesDD;
using host::Conexion;

bool SeriesEnPedidos(Conexion& conexion) {
    const QString valor =
        BasesDD::LeeDato(QStringLiteral("SeriesEnPed"), conexion, QStringLiteral("configura"))
            .trimmed();
    if (valor.isEmpty())
        return false;
    bool numero = false;
    const double n = valor.toDouble(&numero);
    if (numero)
        return n != 0;
    static const QStringList verdaderos = {QStringLiteral("true"), QStringLiteral("verdadero"),
                                           QStringLiteral("sí"),   QStringLiteral("si"),
                                           QStringLiteral("s"),    QStringLiteral("yes")};
    return verdaderos.contains(valor.toLower());
}

QStringList SeriesActivas(Conexion& conexion) {
    // Counters and their flags in one read; the flag is compared here, exactly, because the
    // server's collation would take "Si" for "Sí".
    auto rs = conexion.consulta(
        QStringLiteral("SELECT s.Dato, f.Contenido FROM sistema s LEFT JOIN sistema f "
                       "ON f.Dato=CONCAT(LEFT(s.Dato,2),'+A',SUBSTRING(s.Dato,3)) "
                       "WHERE s.Dato LIKE ? ORDER BY s.Dato"),
        {prefijoFolio + QLatin1Char('%')});
    QStringList series;
    for (; !rs->eof(); rs->MoveNext())
        if (!rs->esNulo(1) && rs->texto(1) == QStringLiteral("Sí"))
            series << rs->texto(0).mid(3);
    return series;
}

QString SerieInicial(Conexion& conexion) {
    return SeriesActivas(conexion).value(0);
}

qint32 FolioPropuesto(Conexion& conexion, const QString& serie) {
    const qint64 actual = qint64(host::libNucleo::nxVal(
        BasesDD::LeeDato(prefijoFolio + serie.trimmed(), conexion, QStringLiteral("sistema"))));
    return qint32(std::clamp<qint64>(actual + 1, 0, std::numeric_limits<qint32>::max()));
}

void CompruebaSerie(Conexion& conexion, const QString& serie) {
    const QString s = serie.trimmed();
    const QString clave = prefijoFolio + s;
    auto rs = conexion.consulta(
        QStringLiteral("SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE IN ('char','varchar'), "
                       "CHARACTER_MAXIMUM_LENGTH, CHARACTER_OCTET_LENGTH, CHARACTER_SET_NAME "
                       "FROM information_schema.COLUMNS WHERE TABLE_SCHEMA=DATABASE() AND "
                       "((TABLE_NAME='pedidos' AND COLUMN_NAME='Serie') OR "
                       "(TABLE_NAME='sistema' AND COLUMN_NAME='Dato')) ORDER BY TABLE_NAME"));
    for (; !rs->eof(); rs->MoveNext()) {
        if (rs->esNulo(4))
            continue; // not a text: nothing to measure
        const bool esSerie = rs->texto(0) == QStringLiteral("pedidos");
        const QString& texto = esSerie ? s : clave;
        const bool enCaracteres = rs->entero(2) != 0;
        const QString juego = rs->texto(5);
        qint64 largo = 0;
        if (enCaracteres)
            largo = texto.toUcs4().size();
        else if (juego.isEmpty() ||
                 !QRegularExpression(QStringLiteral("^[a-z0-9_]+$")).match(juego).hasMatch())
            largo = texto.toUtf8().size(); // binary: the bytes as sent
        else
            largo =
                conexion
                    .consulta(QStringLiteral("SELECT OCTET_LENGTH(CONVERT(? USING %1))").arg(juego),
                              {texto})
                    ->entero(0);
        const qint64 admite = enCaracteres ? rs->entero(3) : rs->entero(4);
        if (largo <= admite)
            continue;
        const QString medida =
            enCaracteres
                ? QStringLiteral("tiene %1")
                      .arg(
                          cantidad(largo, QStringLiteral("carácter"), QStringLiteral("caracteres")))
                : QStringLiteral("ocupa %1")
                      .arg(cantidad(largo, QStringLiteral("byte"), QStringLiteral("bytes")));
        const QString que =
            esSerie ? QStringLiteral("La serie \"%1\"").arg(s)
                    : QStringLiteral("La clave del contador de folios de la serie \"%1\" "
                                     "(\"%2\")")
                          .arg(s, clave);
        throw host::ErrorBdD(QStringLiteral("%1 %2, y la columna %3 de la tabla %4 de la base de "
                                            "datos \"%5\" admite %6. Elija una serie más corta.")
                                 .arg(que, medida, rs->texto(1), rs->texto(0), conexion.baseEnUso())
                                 .arg(admite));
    }
}

QString NombreCliente(Conexion& conexion, const QString& clave) {
    const QString c = clave.trimmed();
    if (c.isEmpty())
        return {};
    auto rs = conexion.consulta(QStringLiteral("SELECT Nombre FROM clientes WHERE Clave=?"), {c});
    return rs->eof() ? QString() : rs->texto(0);
}

QVector<EmpresaOrigen> EmpresasOrigen(Conexion& conexion, const QString& baseActual) {
    // Both names lowered: a current database written in capitals is still left out.
    auto rs = conexion.consulta(
        QStringLiteral("SELECT BaseDeDatos, lcase(BaseDeDatos) AS Nombre "
                       "FROM generalkorvan.empresas WHERE lcase(BaseDeDatos)<>lcase(?) "
                       "ORDER BY Id"),
        {baseActual});
    QVector<EmpresaOrigen> empresas;
    for (; !rs->eof(); rs->MoveNext())
        empresas.push_back({rs->texto(0), rs->texto(1), {}, {}, {}});
    return empresas;
}

QStringList TablasBusqueda() {
    return {QStringLiteral("pedidos"), QStringLiteral("pedidosdetalle")};
}

QStringList TablasGeneracion() {
    return TablasBusqueda() << QStringLiteral("productos");
}

QStringList TablasEscritasOrigen() {
    return {QStringLiteral("pedidosdetalle"), QStringLiteral("productos")};
}

QStringList TablasEscritasActual() {
    return {QStringLiteral("pedidos"), QStringLiteral("pedidosdetalle"), QStringLiteral("sistema")};
}

namespace {

enum class Apertura { Abierta, NoExiste, SinPermiso, Otra };

Apertura usa(Conexion& conexion, const QString& base, QString& detalle) {
    try {
        conexion.usa(base);
        return Apertura::Abierta;
    } catch (const host::ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
        detalle = e.mensaje().section(QLatin1Char('\n'), 0, 0); // without the statement
        if (e.codigo() == 1049)                                 // unknown database
            return Apertura::NoExiste;
        if (e.codigo() == 1044) // access denied to the database
            return Apertura::SinPermiso;
        return Apertura::Otra;
    }
}

} // namespace

QString enumera(const QStringList& nombres) {
    if (nombres.size() < 2)
        return nombres.value(0);
    return nombres.mid(0, nombres.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" y ") +
           nombres.last();
}

namespace {

// No such table (1109: in a system database).
bool tablaInexistente(const host::ErrorBdD& e) {
    return e.codigo() == 1146 || e.codigo() == 1109;
}

} // namespace

bool ErrorDeTabla(const host::ErrorBdD& e) {
    // or table or column access denied
    return tablaInexistente(e) || e.codigo() == 1142 || e.codigo() == 1143;
}

QString RevisaTablas(Conexion& conexion, const QString& base, const QStringList& tablas) {
    auto lee = [&](const QStringList& t) {
        conexion.consulta(QStringLiteral("SELECT 1 FROM %1 LIMIT 0").arg(t.join(QLatin1Char(','))));
    };
    QString detalle;
    try {
        lee(tablas);
        return {};
    } catch (const host::ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
        if (e.codigo() == 1142 || e.codigo() == 1143)
            return QStringLiteral("el usuario \"%1\" no tiene permiso para leer las tablas de "
                                  "pedidos de la base de datos \"%2\"")
                .arg(conexion.parametros().usuario, base);
        detalle = e.mensaje().section(QLatin1Char('\n'), 0, 0);
    }
    QStringList faltan;
    for (const QString& t : tablas) {
        try {
            lee({t});
        } catch (const host::ErrorBdD& e) {
            if (e.conexionPerdida())
                throw;
            if (tablaInexistente(e))
                faltan << t;
        }
    }
    if (faltan.isEmpty())
        return QStringLiteral("no se pudieron leer las tablas de pedidos de la base de datos "
                              "\"%1\": %2")
            .arg(base, detalle);
    return QStringLiteral("la base de datos \"%1\" no tiene %2 %3")
        .arg(base, faltan.size() == 1 ? QStringLiteral("la tabla") : QStringLiteral("las tablas"),
             enumera(faltan));
}

QString AbreEmpresa(Conexion& conexion, EmpresaOrigen& empresa) {
    empresa.base.clear();
    if (empresa.listada.trimmed().isEmpty())
        return QStringLiteral("la lista de empresas no da el nombre de su base de datos");
    QStringList nombres{empresa.nombre};
    if (empresa.listada != empresa.nombre)
        nombres << empresa.listada;
    QString sinPermiso, otra;
    bool noExisten = true;
    for (const QString& nombre : nombres) {
        QString detalle;
        switch (usa(conexion, nombre, detalle)) {
        case Apertura::Abierta:
            empresa.base = nombre;
            return {};
        case Apertura::NoExiste:
            break;
        case Apertura::SinPermiso:
            if (sinPermiso.isEmpty())
                sinPermiso = nombre;
            noExisten = false;
            break;
        case Apertura::Otra:
            if (otra.isEmpty())
                otra = QStringLiteral("no se pudo abrir la base de datos \"%1\": %2")
                           .arg(nombre, detalle);
            noExisten = false;
            break;
        }
    }
    // The server answers "access denied" also for a database that does not exist, to a user
    // who has no rights on it.
    if (!sinPermiso.isEmpty())
        return QStringLiteral("el usuario \"%1\" no tiene permiso para usar la base de datos "
                              "\"%2\", o no existe")
            .arg(conexion.parametros().usuario, sinPermiso);
    if (!noExisten)
        return otra;
    return QStringLiteral("no existe la base de datos \"%1\" en el servidor")
        .arg(nombres.join(QStringLiteral("\" ni \"")));
}

std::unique_ptr<host::Recordset> PedidosPendientes(Conexion& conexion, const QDate& desde,
                                                   const QDate& hasta) {
    return conexion.consulta(
        QStringLiteral("SELECT pedidos.Id, pedidos.Serie, pedidos.Factura, "
                       "pedidos.Subtotal+pedidos.IVA+pedidos.ImpuestoAd AS Total "
                       "FROM pedidos LEFT JOIN pedidosdetalle ON pedidos.Id=pedidosdetalle.Id "
                       "WHERE pedidos.Fecha>=? AND pedidos.Fecha<=? AND pedidosdetalle.Pedido<>0 "
                       "GROUP BY pedidos.Id ORDER BY pedidos.Id"),
        {desde, hasta});
}

} // namespace acumulacion
