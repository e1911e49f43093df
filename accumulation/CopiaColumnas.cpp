#include "accumulation/CopiaColumnas.h"

#include "shell/host/Recordset.h"

#include <QRegularExpression>

namespace acumulacion {

using host::Conexion;

namespace {

bool tiene(const QStringList& lista, const QString& nombre) {
    return lista.contains(nombre, Qt::CaseInsensitive);
}

// A BEFORE INSERT trigger that writes NEW.columna may give the value that the column's
// definition lacks; the server then takes the row.
bool laLlenaUnDisparador(const QStringList& disparadores, const QString& columna) {
    const QRegularExpression escribe(
        QStringLiteral("\\bNEW\\s*\\.\\s*`?%1`?\\s*:?=").arg(QRegularExpression::escape(columna)),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& d : disparadores)
        if (escribe.match(d).hasMatch())
            return true;
    return false;
}

QString columnas(const QStringList& nombres) {
    return nombres.size() == 1 ? QStringLiteral("la columna %1").arg(nombres.first())
                               : QStringLiteral("las columnas %1").arg(enumera(nombres));
}

} // namespace

CopiaColumnas::CopiaColumnas(Conexion& actual) : base_(actual.baseEnUso()) {
    encabezado_ = lee(actual, QStringLiteral("pedidos"),
                      {QStringLiteral("Id"), QStringLiteral("Factura"), QStringLiteral("Serie")},
                      {QStringLiteral("Fecha"), QStringLiteral("Subtotal"), QStringLiteral("IVA"),
                       QStringLiteral("ImpuestoAd")});
    renglon_ =
        lee(actual, QStringLiteral("pedidosdetalle"), {QStringLiteral("Id")},
            {QStringLiteral("Partida"), QStringLiteral("Producto"), QStringLiteral("Pedido")});
}

CopiaColumnas::Destino CopiaColumnas::lee(Conexion& actual, const QString& tabla,
                                          QStringList asignadas, QStringList leidas) {
    Destino d{tabla, std::move(asignadas), std::move(leidas), {}, {}, {}};
    QStringList disparadores;
    for (auto rs = actual.consulta(
             QStringLiteral("SELECT ACTION_STATEMENT FROM information_schema.TRIGGERS WHERE "
                            "EVENT_OBJECT_SCHEMA=? AND EVENT_OBJECT_TABLE=? AND "
                            "EVENT_MANIPULATION='INSERT' AND ACTION_TIMING='BEFORE'"),
             {base_, tabla});
         !rs->eof(); rs->MoveNext())
        disparadores << rs->texto(0);
    for (auto rs = actual.consulta(
             QStringLiteral("SELECT COLUMN_NAME, IS_NULLABLE='NO' AND COLUMN_DEFAULT IS NULL, "
                            "EXTRA LIKE '%auto_increment%' OR EXTRA LIKE '%GENERATED%' "
                            "FROM information_schema.COLUMNS WHERE "
                            "TABLE_SCHEMA=? AND TABLE_NAME=? ORDER BY ORDINAL_POSITION"),
             {base_, tabla});
         !rs->eof(); rs->MoveNext()) {
        const QString nombre = rs->texto(0);
        d.todas << nombre;
        // A generated column computes itself; an automatic counter gives its own values.
        if (!rs->entero(2))
            d.copiables << nombre;
        if (rs->entero(1) && !rs->entero(2) && !tiene(d.asignadas, nombre) &&
            !laLlenaUnDisparador(disparadores, nombre))
            d.requeridas << nombre;
    }
    QStringList faltan;
    for (const QString& n : std::as_const(d.asignadas))
        if (!tiene(d.todas, n))
            faltan << n;
    if (d.todas.isEmpty())
        throw host::ErrorBdD(QStringLiteral("La base de datos \"%1\" no tiene la tabla %2, o el "
                                            "usuario no puede verla: no se puede acumular en ella.")
                                 .arg(base_, tabla));
    if (!faltan.isEmpty())
        throw host::ErrorBdD(QStringLiteral("La tabla %1 de la base de datos \"%2\" no tiene %3: "
                                            "no se puede acumular en ella.")
                                 .arg(tabla, base_, columnas(faltan)));
    return d;
}

QString CopiaColumnas::compara(Conexion& conexion, EmpresaOrigen& empresa, QStringList& sinCopiar,
                               const QStringList& otras) const {
    // One read of every table's columns, which also finds out whether each can be read.
    QStringList tablas{encabezado_.tabla, renglon_.tabla};
    for (const QString& t : otras)
        if (!tiene(tablas, t))
            tablas << t;
    const auto rs = conexion.consulta(
        QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(tablas.join(QLatin1Char(','))));
    QStringList deEncabezado, deRenglon;
    for (const host::Columna& c : rs->listaColumnas()) {
        if (c.tabla.compare(encabezado_.tabla, Qt::CaseInsensitive) == 0)
            deEncabezado << c.nombre;
        else if (c.tabla.compare(renglon_.tabla, Qt::CaseInsensitive) == 0)
            deRenglon << c.nombre;
    }
    QStringList motivos;
    for (const QString& m :
         {compara(encabezado_, deEncabezado, empresa.base, empresa.columnasEncabezado, sinCopiar),
          compara(renglon_, deRenglon, empresa.base, empresa.columnasRenglon, sinCopiar)})
        if (!m.isEmpty())
            motivos << m;
    return motivos.join(QStringLiteral("; "));
}

QString CopiaColumnas::compara(const Destino& d, const QStringList& origen, const QString& base,
                               QStringList& copiadas, QStringList& sinCopiar) const {
    copiadas.clear();
    QStringList faltan, sinValor;
    for (const QString& n : d.asignadas + d.leidas)
        if (!tiene(origen, n))
            faltan << n;
    if (!faltan.isEmpty())
        return QStringLiteral("la tabla %1 de la base de datos \"%2\" no tiene %3")
            .arg(d.tabla, base, columnas(faltan));
    for (const QString& n : d.copiables)
        if (!tiene(d.asignadas, n) && tiene(origen, n))
            copiadas << n;
    for (const QString& n : d.requeridas)
        if (!tiene(origen, n))
            sinValor << n;
    for (const QString& n : origen)
        if (!tiene(d.todas, n))
            sinCopiar << d.tabla + QLatin1Char('.') + n;
    if (sinValor.isEmpty())
        return {};
    const bool una = sinValor.size() == 1;
    return QStringLiteral("%1 de la tabla %2 de la base de datos \"%3\" %4, y la base de datos "
                          "\"%5\" no tiene %6")
        .arg(columnas(sinValor), d.tabla, base_,
             una ? QStringLiteral("exige un valor y no tiene valor predeterminado")
                 : QStringLiteral("exigen un valor y no tienen valor predeterminado"),
             base, una ? QStringLiteral("esa columna") : QStringLiteral("esas columnas"));
}

} // namespace acumulacion
