#include "accumulation/InformeAcumulacion.h"

#include "sales/NombresEmpresas.h"
#include "sales/TextoPedido.h"

namespace acumulacion {

Informe InformeGeneracion(const QString& mensaje, const QVector<FolioDado>& dados,
                          const QDate& desde, const QDate& hasta, const QDateTime& ahora,
                          const QHash<QString, QString>& empresas) {
    const QString formato = QStringLiteral("dd/MM/yyyy");
    Informe informe;
    informe.titulo = QStringLiteral("Informe de la acumulación");
    informe.resumen =
        mensaje + QStringLiteral("\nPedidos fechados del %1 al %2; acumulación "
                                 "del %3 a las %4.")
                      .arg(desde.toString(formato), hasta.toString(formato),
                           ahora.toString(formato), ahora.toString(QStringLiteral("HH:mm")));
    informe.columnas = {QStringLiteral("Folio"), QStringLiteral("Empresa de origen"),
                        QStringLiteral("Pedido de origen"), QStringLiteral("Renglones")};
    for (const FolioDado& d : dados)
        informe.renglones.push_back({textoPedido(d.serie, d.folio), conEmpresa(d.base, empresas),
                                     d.pedidoOrigen, QString::number(d.renglones)});
    informe.archivo =
        QStringLiteral("acumulacion-%1.txt").arg(ahora.toString(QStringLiteral("yyyyMMdd-HHmm")));
    return informe;
}

} // namespace acumulacion
