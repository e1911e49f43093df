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

namespace {

// "había importado" / "habían importado": the orders of a file imported before.
QString habiaImportado(qint64 n) {
    return n == 1 ? QStringLiteral("había importado") : QStringLiteral("habían importado");
}

QString conCuando(const QString& cuando) {
    return cuando.isEmpty() ? QString() : QLatin1Char(' ') + cuando;
}

} // namespace

QString InformeImportacion::mensaje(const ResultadoImportacion& r, const QString& base) {
    const qint64 yaImportados = r.yaImportados.size();
    QString m;
    if (r.pedidos == 0 && r.pedidosOmitidos > 0) {
        m = QStringLiteral("No se %1 ningún pedido: %2 del archivo ya se %3 a la base de "
                           "datos%4%5.")
                .arg(r.revision ? QStringLiteral("importaría") : QStringLiteral("importó"),
                     r.pedidosOmitidos == 1
                         ? QStringLiteral("el único pedido")
                         : QStringLiteral("los %1 pedidos").arg(r.pedidosOmitidos),
                     habiaImportado(r.pedidosOmitidos), base, conCuando(cuando(r.yaImportados)));
    } else {
        const bool uno = r.pedidos == 1;
        m = QStringLiteral("Se %1 %2 con %3; %4.")
                .arg(r.revision
                         ? (uno ? QStringLiteral("importaría") : QStringLiteral("importarían"))
                         : (uno ? QStringLiteral("importó") : QStringLiteral("importaron")),
                     cantidad(r.pedidos, QStringLiteral("pedido"), QStringLiteral("pedidos")),
                     cantidad(r.renglones, QStringLiteral("renglón"), QStringLiteral("renglones")),
                     cantidad(r.clientesNuevos, QStringLiteral("cliente nuevo"),
                              QStringLiteral("clientes nuevos")));
        const bool unoOmitido = r.pedidosOmitidos == 1;
        if (r.pedidosOmitidos > 0)
            m += QStringLiteral(" Se %1 %2 que ya se %3.")
                     .arg(r.revision ? (unoOmitido ? QStringLiteral("omitiría")
                                                   : QStringLiteral("omitirían"))
                                     : (unoOmitido ? QStringLiteral("omitió")
                                                   : QStringLiteral("omitieron")),
                          cantidad(r.pedidosOmitidos, QStringLiteral("pedido"),
                                   QStringLiteral("pedidos")),
                          habiaImportado(r.pedidosOmitidos));
        else if (yaImportados > 0)
            m += QStringLiteral(" %1 ya se %2 antes.")
                     .arg(yaImportados == 1 ? QStringLiteral("Uno de ellos")
                                            : QStringLiteral("%1 de ellos").arg(yaImportados),
                          habiaImportado(yaImportados));
    }
    if (r.revision)
        m += QStringLiteral(" Es una revisión: no se escribió nada en la base de datos%1.")
                 .arg(base);
    return m;
}

QString InformeImportacion::rechazo(const ResultadoImportacion& r, const QString& archivo,
                                    const QString& base) {
    const qsizetype n = r.yaImportados.size();
    return QStringLiteral("El archivo %1 trae %2 que ya se %3 a la base de datos%4%5. %6")
        .arg(archivo, cantidad(n, QStringLiteral("pedido"), QStringLiteral("pedidos")),
             n == 1 ? QStringLiteral("importó") : QStringLiteral("importaron"), base,
             conCuando(cuando(r.yaImportados)),
             r.revision ? QStringLiteral("La importación rechazaría el archivo; no se escribió "
                                         "nada.")
                        : QStringLiteral("No se importó nada."));
}

QStringList InformeImportacion::avisosDeLectura(const ResultadoImportacion& r) {
    QStringList avisos;
    if (r.renglonesOmitidos > 0)
        avisos << (r.renglonesOmitidos == 1
                       ? QStringLiteral("Se %1 1 renglón que estaba antes del primer pedido del "
                                        "archivo.")
                             .arg(r.revision ? QStringLiteral("omitiría")
                                             : QStringLiteral("omitió"))
                       : QStringLiteral("Se %1 %2 renglones que estaban antes del primer pedido "
                                        "del archivo.")
                             .arg(r.revision ? QStringLiteral("omitirían")
                                             : QStringLiteral("omitieron"))
                             .arg(r.renglonesOmitidos));
    const qint64 textos = r.descartesTotal - r.renglonesOmitidos;
    for (const Descarte& d : r.descartes)
        if (!d.texto.isEmpty()) {
            avisos << QStringLiteral("Se %1 el texto que seguía a las comillas de cierre de %2 "
                                     "del archivo (el primero, en la línea %3: \"%4\").")
                          .arg(r.revision ? QStringLiteral("descartaría")
                                          : QStringLiteral("descartó"),
                               textos == 1 ? QStringLiteral("un campo")
                                           : QStringLiteral("%1 campos").arg(textos))
                          .arg(d.linea)
                          .arg(d.texto.left(200));
            break;
        }
    return avisos;
}

} // namespace importacion
