#include "send/Conciliacion.h"

#include "journal/Bitacora.h"
#include "send/Destino.h"
#include "send/VerificaDestino.h"
#include "shell/Cantidad.h"
#include "shell/host/BasesDD.h"
#include "shell/host/Conexion.h"
#include "shell/host/ErrorBdD.h"

#include <QTextStream>

namespace envio {

namespace {

QString cuandoTexto(const QDateTime& cuando) {
    return cuando.isValid() ? cuando.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                            : QStringLiteral("fecha desconocida");
}

QString lineaPedido(const PedidoConciliado& p) {
    const QString pedido =
        QStringLiteral("Pedido %1 (Id %2): ").arg(p.pedidoOrigen).arg(p.idOrigen);
    const QString alla =
        p.idNuevo ? QStringLiteral(", allá Id %1, folio %2").arg(p.idNuevo).arg(p.pedidoNuevo)
                  : QString();
    switch (p.llegada) {
    case Llegada::Llego:
        return pedido + QStringLiteral("llegó el %1%2.").arg(cuandoTexto(p.cuando), alla);
    case Llegada::Repetido:
        return pedido + QStringLiteral("llegó %1 veces; la primera el %2%3.")
                            .arg(p.veces)
                            .arg(cuandoTexto(p.cuando), alla);
    case Llegada::SinHuella:
        return pedido + QStringLiteral("no se puede comprobar: la exportación no guardó su "
                                       "huella.");
    case Llegada::Deshecho:
        return pedido + QStringLiteral("llegó el %1%2, y se deshizo allá el %3 (corrida %4 de su "
                                       "bitácora): ya no está.")
                            .arg(cuandoTexto(p.cuando), alla, cuandoTexto(p.deshecho))
                            .arg(p.deshacer);
    case Llegada::NoLlego:
        break;
    }
    return pedido + QStringLiteral("no llegó.");
}

} // namespace

ResultadoConciliacion Concilia(host::Conexion& exportacion, qint64 corrida, host::Conexion& destino,
                               const QString& nombreDestino) {
    ResultadoConciliacion r;
    r.destino = nombreDestino;
    try {
        bitacora::Seleccion seleccion;
        seleccion.corrida = corrida;
        const auto corridas = bitacora::ConsultasBitacora::corridas(exportacion, seleccion);
        if (corridas.isEmpty() || corridas.first().operacion != bitacora::Operacion::Exportacion) {
            r.mensaje = QStringLiteral("La bitácora de la base \"%1\" no tiene una exportación "
                                       "con el número %2.")
                            .arg(exportacion.baseEnUso())
                            .arg(corrida);
            return r;
        }
        r.corrida = corridas.first();
        const auto anotados = bitacora::ConsultasBitacora::pedidos(exportacion, corrida);
        QStringList huellas;
        for (const bitacora::PedidoAnotado& p : anotados)
            if (!p.huella.isEmpty())
                huellas << p.huella.toLower();
        // A locking read: an import of these orders still committing is waited for.
        host::Transaccion lectura(destino);
        const auto registradas = bitacora::ConsultasBitacora::registradas(destino, huellas);
        // Of those not there now, which came and were undone: they did arrive.
        QSet<QString> ausentes;
        for (const QString& h : std::as_const(huellas))
            if (!registradas.contains(h))
                ausentes.insert(h);
        const auto deshechas = bitacora::ConsultasBitacora::deshechas(destino, ausentes);
        for (const bitacora::PedidoAnotado& a : anotados) {
            PedidoConciliado p;
            p.idOrigen = a.idOrigen;
            p.pedidoOrigen = a.pedidoOrigen;
            const auto h = registradas.constFind(a.huella.toLower());
            if (a.huella.isEmpty()) {
                p.llegada = Llegada::SinHuella;
                ++r.sinHuella;
            } else if (h == registradas.cend()) {
                const auto d = deshechas.constFind(a.huella.toLower());
                if (d == deshechas.cend()) {
                    p.llegada = Llegada::NoLlego;
                    ++r.noLlegaron;
                } else {
                    p.llegada = Llegada::Deshecho;
                    p.cuando = d->llego;
                    p.idNuevo = d->idNuevo;
                    p.pedidoNuevo = d->pedidoNuevo;
                    p.deshacer = d->deshacer;
                    p.deshecho = d->deshecho;
                    ++r.deshechos;
                }
            } else {
                p.veces = h->veces;
                p.cuando = h->primera;
                p.idNuevo = h->idNuevo;
                p.pedidoNuevo = h->pedidoNuevo;
                p.llegada = h->veces > 1 ? Llegada::Repetido : Llegada::Llego;
                ++(h->veces > 1 ? r.repetidos : r.llegaron);
            }
            r.pedidos << p;
        }
        r.ok = true;
        r.mensaje =
            QStringLiteral("Exportación %1 contra %2: %3 de %4 llegaron una vez, %5 no "
                           "llegaron, %6 llegaron más de una vez%7%8.")
                .arg(corrida)
                .arg(nombreDestino, numeroConMiles(r.llegaron), numeroConMiles(r.pedidos.size()),
                     numeroConMiles(r.noLlegaron), numeroConMiles(r.repetidos),
                     r.deshechos ? QStringLiteral(", %1 llegaron y se deshicieron allá")
                                       .arg(numeroConMiles(r.deshechos))
                                 : QString(),
                     r.sinHuella ? QStringLiteral(", %1 sin huella con qué comprobarlos")
                                       .arg(numeroConMiles(r.sinHuella))
                                 : QString());
    } catch (const host::ErrorBdD& e) {
        r.ok = false;
        r.mensaje = e.mensaje();
    }
    return r;
}

ResultadoConciliacion ConciliaCorrida(const host::BasesDD& bases, const QString& base,
                                      qint64 corrida, const QString& destinoCorrida,
                                      const QString& archivoIni, const QString& baseImportar) {
    ResultadoConciliacion r;
    try {
        std::unique_ptr<host::Conexion> destino;
        QString nombre;
        // A send's run names its destination as "Destino NOMBRE (servidor …)".
        const QString prefijo = QStringLiteral("Destino ");
        if (destinoCorrida.startsWith(prefijo) && destinoCorrida.contains(QStringLiteral(" ("))) {
            const QString enviado =
                destinoCorrida.mid(prefijo.size()).section(QStringLiteral(" ("), 0, 0);
            const auto d = Destinos::busca(archivoIni, enviado);
            if (!d) {
                r.mensaje = QStringLiteral("La exportación %1 se envió al destino \"%2\", que ya "
                                           "no está en el archivo de configuración.")
                                .arg(corrida)
                                .arg(enviado);
                return r;
            }
            destino = ConectaDestino(*d);
            nombre = QStringLiteral("el destino %1").arg(d->texto());
        } else {
            if (baseImportar.trimmed().isEmpty()) {
                r.mensaje = QStringLiteral("No está configurada la base de datos para importar "
                                           "pedidos (\"Para importar pedidos\").");
                return r;
            }
            destino = bases.abre(baseImportar);
            nombre = QStringLiteral("la base \"%1\"").arg(baseImportar);
        }
        auto exportacion = bases.abre(base);
        return Concilia(*exportacion, corrida, *destino, nombre);
    } catch (const host::ErrorBdD& e) {
        r.mensaje = e.mensaje();
        return r;
    }
}

QStringList LineasConciliacion(const ResultadoConciliacion& r) {
    QStringList lineas;
    for (const PedidoConciliado& p : r.pedidos)
        lineas << lineaPedido(p);
    lineas << r.mensaje;
    return lineas;
}

void EscribeConciliacion(const ResultadoConciliacion& r, QTextStream& salida) {
    for (const QString& linea : LineasConciliacion(r))
        salida << linea << Qt::endl;
}

} // namespace envio
