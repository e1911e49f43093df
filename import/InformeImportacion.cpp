#include "import/InformeImportacion.h"

#include "shell/Cantidad.h"
#include "shell/host/Fechas.h"

#include <QSet>
#include <QTextStream>

namespace importacion {

QString InformeImportacion::cuando(const QVector<PedidoYaImportado>& pedidos) {
    QSet<qint64> corridas;
    QDateTime primera, ultima;
    for (const PedidoYaImportado& p : pedidos) {
        corridas.insert(p.corrida);
        if (!p.primera.isValid())
            continue;
        if (!primera.isValid() || p.primera < primera)
            primera = p.primera;
        if (!ultima.isValid() || p.primera > ultima)
            ultima = p.primera;
    }
    if (!primera.isValid())
        return {};
    const auto fecha = [](const QDateTime& f) {
        return QStringLiteral("%1 a las %2")
            .arg(host::Fechas::aTextoCorto(f.date()), f.time().toString(QStringLiteral("HH:mm")));
    };
    if (corridas.size() == 1)
        return QStringLiteral("el %1").arg(fecha(primera));
    return QStringLiteral("en %1 importaciones, entre el %2 y el %3")
        .arg(corridas.size())
        .arg(fecha(primera), fecha(ultima));
}

namespace {

// Hands each line on as it is made, so a report of many orders is never held whole.
struct Lineas {
    const std::function<void(const QString&)>& emite;
    Lineas& operator<<(const QString& linea) {
        emite(linea);
        return *this;
    }
};

} // namespace

QString InformeImportacion::texto(const ResultadoImportacion& r) {
    QStringList l;
    recorre(r, [&l](const QString& linea) { l << linea; });
    return l.join(QLatin1Char('\n'));
}

void InformeImportacion::escribe(const ResultadoImportacion& r, QTextStream& salida) {
    recorre(r, [&salida](const QString& linea) { salida << linea << '\n'; });
}

void InformeImportacion::recorre(const ResultadoImportacion& r,
                                 const std::function<void(const QString&)>& linea) {
    Lineas l{linea};
    const QString sangria = QStringLiteral("  ");
    if (!r.importados.isEmpty()) {
        l << (r.revision ? QStringLiteral("Pedidos que se crearían:")
                         : QStringLiteral("Pedidos creados:"));
        for (const PedidoImportado& p : r.importados)
            l << sangria + QStringLiteral("línea %1, pedido %2 del archivo → %3 (%4)")
                               .arg(p.linea)
                               .arg(p.origen, p.texto(),
                                    cantidad(p.renglones, QStringLiteral("renglón"),
                                             QStringLiteral("renglones")));
    }
    if (!r.clientes.isEmpty()) {
        l << (r.revision ? QStringLiteral("Clientes que se crearían:")
                         : QStringLiteral("Clientes creados:"));
        for (const ClienteNuevo& c : r.clientes)
            l << sangria + QStringLiteral("%1  %2").arg(c.clave, c.nombre);
    }
    if (!r.existencias.isEmpty()) {
        l << QStringLiteral("Cambios de PorVender:");
        for (const CambioPorVender& c : r.existencias)
            l << sangria + (c.existe ? QStringLiteral("%1: %2 → %3 (+%4)")
                                           .arg(c.producto, c.antes, c.despues, c.aumento)
                                     : QStringLiteral("%1: no existe en productos, no cambia "
                                                      "(+%2 en el archivo)")
                                           .arg(c.producto, c.aumento));
    }
    if (!r.descartes.isEmpty()) {
        l << (r.revision ? QStringLiteral("Se descartaría:") : QStringLiteral("Se descartó:"));
        for (const Descarte& d : r.descartes)
            l << sangria + QStringLiteral("línea %1: %2").arg(d.linea).arg(d.que);
        if (r.descartesTotal > r.descartes.size())
            l << sangria + QStringLiteral("y %1 más").arg(r.descartesTotal - r.descartes.size());
    }
    if (!r.yaImportados.isEmpty()) {
        l << QStringLiteral("Pedidos que ya se habían importado:");
        for (const PedidoYaImportado& p : r.yaImportados) {
            QString t =
                QStringLiteral("línea %1, pedido %2 del archivo: ").arg(p.linea).arg(p.origen);
            t += p.primera.isValid() ? QStringLiteral("importado %1").arg(cuando({p}))
                                     : QStringLiteral("importado antes");
            if (!p.pedidoAnterior.isEmpty())
                t += QStringLiteral(" como %1").arg(p.pedidoAnterior);
            if (p.veces > 1)
                t += QStringLiteral(" (%1)").arg(
                    cantidad(p.veces, QStringLiteral("vez"), QStringLiteral("veces")));
            if (r.rechazadoPorImportados)
                t += QStringLiteral("; por él se rechaza el archivo");
            else if (p.omitido)
                t += r.revision ? QStringLiteral("; se omitiría") : QStringLiteral("; se omitió");
            else
                t += r.revision ? QStringLiteral("; se importaría otra vez")
                                : QStringLiteral("; se importó otra vez");
            l << sangria + t;
        }
    }
    if (!r.rechazadoPorImportados) {
        QString totales =
            QStringLiteral("Totales: %1 %2 con %3 y %4")
                .arg(r.pedidos == 1 ? (r.revision ? QStringLiteral("se importaría")
                                                  : QStringLiteral("se importó"))
                                    : (r.revision ? QStringLiteral("se importarían")
                                                  : QStringLiteral("se importaron")),
                     cantidad(r.pedidos, QStringLiteral("pedido"), QStringLiteral("pedidos")),
                     cantidad(r.renglones, QStringLiteral("renglón"), QStringLiteral("renglones")),
                     cantidad(r.clientesNuevos, QStringLiteral("cliente nuevo"),
                              QStringLiteral("clientes nuevos")));
        if (r.pedidosOmitidos > 0)
            totales +=
                QStringLiteral("; %1 %2 ya %3")
                    .arg(r.pedidosOmitidos == 1 ? (r.revision ? QStringLiteral("se omitiría")
                                                              : QStringLiteral("se omitió"))
                                                : (r.revision ? QStringLiteral("se omitirían")
                                                              : QStringLiteral("se omitieron")),
                         cantidad(r.pedidosOmitidos, QStringLiteral("pedido"),
                                  QStringLiteral("pedidos")),
                         r.pedidosOmitidos == 1 ? QStringLiteral("importado")
                                                : QStringLiteral("importados"));
        if (r.descartesTotal > 0) {
            QStringList partes;
            if (r.renglonesOmitidos > 0)
                partes << cantidad(r.renglonesOmitidos,
                                   QStringLiteral("renglón antes del primer pedido"),
                                   QStringLiteral("renglones antes del primer pedido"));
            if (r.descartesTotal > r.renglonesOmitidos)
                partes << cantidad(r.descartesTotal - r.renglonesOmitidos,
                                   QStringLiteral("texto tras unas comillas"),
                                   QStringLiteral("textos tras unas comillas"));
            const bool uno = r.descartesTotal == 1;
            totales += QStringLiteral("; %1 %2").arg(
                r.revision
                    ? (uno ? QStringLiteral("se descartaría") : QStringLiteral("se descartarían"))
                    : (uno ? QStringLiteral("se descartó") : QStringLiteral("se descartaron")),
                partes.join(QStringLiteral(" y ")));
        }
        l << totales + QLatin1Char('.');
    }
}

} // namespace importacion
