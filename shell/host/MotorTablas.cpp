#include "shell/host/MotorTablas.h"

#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

namespace host {

QVector<TablaSinTransacciones> TablasSinTransacciones(Conexion& conexion, const QString& base,
                                                      const QStringList& tablas) {
    if (tablas.isEmpty())
        return {};
    // The server says which engines keep transactions; an engine it does not list (its
    // plugin not loaded) cannot be trusted with them either.
    auto rs = conexion.consulta(
        QStringLiteral("SELECT t.TABLE_NAME, t.ENGINE FROM information_schema.TABLES t "
                       "LEFT JOIN information_schema.ENGINES e ON e.ENGINE=t.ENGINE "
                       "WHERE t.TABLE_SCHEMA=? AND t.TABLE_NAME IN (%1) "
                       "AND t.TABLE_TYPE='BASE TABLE' AND t.ENGINE IS NOT NULL "
                       "AND COALESCE(e.TRANSACTIONS, 'NO')<>'YES' ORDER BY t.TABLE_NAME")
            .arg(conexion.listaLiterales(tablas)),
        {base});
    QVector<TablaSinTransacciones> salida;
    for (; !rs->eof(); rs->MoveNext())
        salida.push_back({base, rs->texto(0), rs->texto(1)});
    return salida;
}

QString MotivoSinTransacciones(const QVector<TablaSinTransacciones>& tablas, Redaccion redaccion) {
    if (tablas.isEmpty())
        return {};
    QStringList nombres, conversiones;
    for (const TablaSinTransacciones& t : tablas) {
        nombres << QStringLiteral("%1.%2 (%3)").arg(t.base, t.tabla, t.motor);
        conversiones << QStringLiteral("ALTER TABLE %1.%2 ENGINE=InnoDB;")
                            .arg(Conexion::identificador(t.base), Conexion::identificador(t.tabla));
    }
    const bool una = tablas.size() == 1;
    QString lista = nombres.last();
    if (!una)
        lista = nombres.mid(0, nombres.size() - 1).join(QStringLiteral(", ")) +
                QStringLiteral(" y ") + lista;
    const QString porque =
        QStringLiteral("%1 %2 %3 transacciones: si algo fallara a mitad de la operación, lo que "
                       "se hubiera escrito en %4 no podría deshacerse")
            .arg(una ? QStringLiteral("la tabla") : QStringLiteral("las tablas"), lista,
                 una ? QStringLiteral("no guarda") : QStringLiteral("no guardan"),
                 una ? QStringLiteral("ella") : QStringLiteral("ellas"));
    const QString convierta = una ? QStringLiteral("conviértala") : QStringLiteral("conviértalas");
    if (redaccion == Redaccion::Motivo)
        return QStringLiteral("%1, así que no se tocó nada en esta base de datos; %2 a InnoDB "
                              "con %3")
            .arg(porque, convierta, conversiones.join(QLatin1Char(' ')).chopped(1));
    const auto mayuscula = [](QString t) {
        t[0] = t[0].toUpper();
        return t;
    };
    return QStringLiteral("%1, así que no se escribió nada. %2 a InnoDB y repita la operación:"
                          "\n  %3")
        .arg(mayuscula(porque), mayuscula(convierta), conversiones.join(QStringLiteral("\n  ")));
}

void ExigeTransacciones(Conexion& conexion, const QString& base, const QStringList& tablas) {
    const QString motivo = MotivoSinTransacciones(TablasSinTransacciones(conexion, base, tablas));
    if (!motivo.isEmpty())
        throw ErrorBdD(motivo);
}

} // namespace host
