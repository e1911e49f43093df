#include "undo/InformeDeshacer.h"

#include "journal/TextosBitacora.h"
#include "shell/Cantidad.h"

#include <algorithm>

namespace deshacer {

namespace {

QString pedidos(qint64 n) {
    return cantidad(n, QStringLiteral("pedido"), QStringLiteral("pedidos"));
}

QString cual(const ResultadoDeshacer& r) {
    return QStringLiteral("la corrida %1 (%2) de la base de datos \"%3\"")
        .arg(r.corrida)
        .arg(bitacora::texto(r.operacion).toLower(), r.base);
}

// "3 pedidos con 9 renglones y 1 cliente".
QString quitado(const ResultadoDeshacer& r) {
    QString t =
        QStringLiteral("%1 con %2")
            .arg(pedidos(r.quitados.size()),
                 cantidad(r.renglones, QStringLiteral("renglón"), QStringLiteral("renglones")));
    if (!r.clientes.isEmpty())
        t += QStringLiteral(" y ") +
             cantidad(r.clientes.size(), QStringLiteral("cliente"), QStringLiteral("clientes"));
    return t;
}

// " Se dejaron 3 pedidos que …", the verb agreeing with n.
QString seDejan(const ResultadoDeshacer& r, qsizetype n, const QString& quienes) {
    const bool uno = n == 1;
    const QString dejar = r.revision
                              ? (uno ? QStringLiteral("dejaría") : QStringLiteral("dejarían"))
                              : (uno ? QStringLiteral("dejó") : QStringLiteral("dejaron"));
    return QStringLiteral(" Se %1 %2.").arg(dejar, quienes);
}

} // namespace

QString InformeDeshacer::mensaje(const ResultadoDeshacer& r) {
    const bool acumulacion = r.operacion == bitacora::Operacion::Acumulacion;
    if (r.nadaQueDeshacer)
        return r.yaDeshechos > 0
                   ? QStringLiteral("No hay nada que deshacer: %1 ya se deshizo (sus %2).")
                         .arg(cual(r), pedidos(r.yaDeshechos))
                   : QStringLiteral("No hay nada que deshacer: %1 no guardó ningún pedido.")
                         .arg(cual(r));
    QString t;
    if (r.rechazado && !r.revision)
        return QStringLiteral("No se deshizo %1: hay %2 (abajo, cada uno con el motivo). Puede "
                              "deshacer sólo los no modificados (--parcial). No se escribió "
                              "nada.")
            .arg(cual(r), dejados(r));
    if (r.quitados.isEmpty())
        return QStringLiteral("No se deshizo nada de %1: hay %2.").arg(cual(r), dejados(r));
    if (r.revision)
        t = QStringLiteral("Al deshacer %1 se quitarían %2").arg(cual(r), quitado(r));
    else
        t = QStringLiteral("Se deshizo %1: se quitaron %2").arg(cual(r), quitado(r));
    if (acumulacion)
        t += r.revision ? QStringLiteral(", y sus cantidades pendientes volverían a sus pedidos "
                                         "de origen")
                        : QStringLiteral(", y sus cantidades pendientes volvieron a sus pedidos "
                                         "de origen");
    t += QLatin1Char('.');
    if (!r.dejados.isEmpty())
        t += seDejan(r, r.dejados.size(), dejados(r));
    const auto clientes = [](qsizetype n) {
        return cantidad(n, QStringLiteral("cliente"), QStringLiteral("clientes"));
    };
    if (!r.clientesCambiados.isEmpty()) {
        const qsizetype n = r.clientesCambiados.size();
        t += seDejan(
            r, n,
            QStringLiteral("%1 que la corrida creó y que %2 después")
                .arg(clientes(n), n == 1 ? QStringLiteral("cambió") : QStringLiteral("cambiaron")));
    }
    if (!r.clientesUsados.isEmpty()) {
        const qsizetype n = r.clientesUsados.size();
        t += seDejan(
            r, n,
            QStringLiteral("%1 que la corrida creó y que otros pedidos usan").arg(clientes(n)));
    }
    if (r.rechazado)
        t += QStringLiteral(" Sin --parcial se rechazaría, por esos pedidos.");
    t += QStringLiteral(" Los folios que se dieron quedan usados.");
    if (r.revision)
        t += QStringLiteral(" Es una revisión: no se escribió nada.");
    return t;
}

QString InformeDeshacer::dejados(const ResultadoDeshacer& r) {
    const qsizetype sin =
        std::count_if(r.dejados.cbegin(), r.dejados.cend(),
                      [](const PedidoDejado& d) { return d.porQue == PorQueSeDeja::SinComprobar; });
    const qsizetype cambio = r.dejados.size() - sin;
    const auto cambiaron = [](qsizetype n) {
        return n == 1 ? QStringLiteral("cambió después de la corrida")
                      : QStringLiteral("cambiaron después de la corrida");
    };
    const auto sinPoder = [](qsizetype n) {
        return n == 1 ? QStringLiteral("no se pudo comprobar")
                      : QStringLiteral("no se pudieron comprobar");
    };
    if (sin == 0)
        return QStringLiteral("%1 que %2").arg(pedidos(cambio), cambiaron(cambio));
    if (cambio == 0)
        return QStringLiteral("%1 que %2").arg(pedidos(sin), sinPoder(sin));
    return QStringLiteral("%1 que %2 y %3 que %4")
        .arg(pedidos(cambio), cambiaron(cambio), QString::number(sin), sinPoder(sin));
}

QVector<std::pair<QString, QString>> ResultadoDeshacer::clientesDejados() const {
    QVector<std::pair<QString, QString>> salida;
    for (const QString& c : clientesCambiados)
        salida.push_back({c, QStringLiteral("cambió después de la corrida")});
    for (const QString& c : clientesUsados)
        salida.push_back({c, QStringLiteral("lo usan otros pedidos")});
    return salida;
}

QStringList ResultadoDeshacer::informe() const {
    QStringList l;
    const QString tiempo = revision ? QStringLiteral("quitarían") : QStringLiteral("quitaron");
    if (!quitados.isEmpty()) {
        l << QStringLiteral("Pedidos que se %1:").arg(tiempo);
        for (const PedidoQuitado& q : quitados) {
            QString t = QStringLiteral("  %1 (Id %2), %3")
                            .arg(q.pedido)
                            .arg(q.id)
                            .arg(cantidad(q.renglones, QStringLiteral("renglón"),
                                          QStringLiteral("renglones")));
            if (!q.baseOrigen.isEmpty())
                t += QStringLiteral(": vuelve al pedido %1 (Id %2) de %3")
                         .arg(q.pedidoOrigen)
                         .arg(q.idOrigen)
                         .arg(q.baseOrigen);
            l << t;
        }
    }
    if (!dejados.isEmpty()) {
        l << QStringLiteral("Pedidos que se %1 como están:")
                 .arg(revision ? QStringLiteral("dejarían") : QStringLiteral("dejaron"));
        for (const PedidoDejado& d : dejados)
            l << QStringLiteral("  %1 (Id %2): %3").arg(d.pedido).arg(d.id).arg(d.motivo);
    }
    if (!existencias.isEmpty()) {
        l << QStringLiteral("Cambios de PorVender:");
        for (const CambioExistencia& c : existencias)
            l << QStringLiteral("  %1 %2: %3 → %4").arg(c.base, c.producto, c.antes, c.despues);
    }
    if (!clientes.isEmpty()) {
        l << QStringLiteral("Clientes que se %1:").arg(tiempo);
        for (const QString& c : clientes)
            l << QStringLiteral("  ") + c;
    }
    const auto dejadosClientes = clientesDejados();
    if (!dejadosClientes.isEmpty()) {
        l << QStringLiteral("Clientes que se %1 como están:")
                 .arg(revision ? QStringLiteral("dejarían") : QStringLiteral("dejaron"));
        for (const auto& [clave, motivo] : dejadosClientes)
            l << QStringLiteral("  %1: %2").arg(clave, motivo);
    }
    l << QStringLiteral("Totales: se %1 %2 con %3 y %4; %5 %6; %7 ya deshechos antes.")
             .arg(tiempo,
                  cantidad(quitados.size(), QStringLiteral("pedido"), QStringLiteral("pedidos")),
                  cantidad(renglones, QStringLiteral("renglón"), QStringLiteral("renglones")),
                  cantidad(clientes.size(), QStringLiteral("cliente"), QStringLiteral("clientes")),
                  cantidad(existencias.size(), QStringLiteral("producto cambia"),
                           QStringLiteral("productos cambian")),
                  QStringLiteral("PorVender; se dejan %1")
                      .arg(cantidad(dejados.size(), QStringLiteral("pedido"),
                                    QStringLiteral("pedidos"))),
                  QString::number(yaDeshechos));
    return l;
}

} // namespace deshacer
