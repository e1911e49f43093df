#include "journal/ventanas/ModelosBitacora.h"

#include "journal/LecturaBitacora.h"
#include "sales/NombresEmpresas.h"

namespace {

Qt::Alignment lado(bool aLaDerecha) {
    return aLaDerecha ? Qt::AlignRight : Qt::AlignLeft;
}

// A number that is 0 when the journal holds none shows as an empty cell.
QVariant numero(qint64 n) {
    return n != 0 ? QVariant(QString::number(n)) : QVariant();
}

} // namespace

ModeloCorridas::ModeloCorridas(QObject* padre)
    : ModeloFilas({QStringLiteral("Inicio"), QStringLiteral("Fin"), QStringLiteral("Operación"),
                   QStringLiteral("Base de datos"), QStringLiteral("Resultado"),
                   QStringLiteral("Pedidos"), QStringLiteral("Renglones"),
                   QStringLiteral("Parámetros"), QStringLiteral("Usuario"),
                   QStringLiteral("Mensaje")},
                  padre) {}

void ModeloCorridas::fetchMore(const QModelIndex& padre) {
    if (padre.isValid() || !hayMas_)
        return;
    hayMas_ = false;
    emit masPedidas();
}

QVariant ModeloCorridas::celda(const bitacora::Corrida& c, int, int columna, int papel) const {
    if (papel == Qt::TextAlignmentRole)
        return alineacion(lado(columna == Pedidos || columna == Renglones));
    if (papel == Qt::ToolTipRole && columna == Mensaje)
        return c.mensaje;
    if (papel != Qt::DisplayRole)
        return {};
    switch (columna) {
    case Inicio:
        return bitacora::textoMomento(c.inicio);
    case Fin:
        return bitacora::textoMomento(c.fin);
    case Operacion:
        return bitacora::texto(c.operacion);
    case Base:
        return acumulacion::conEmpresa(c.base, empresas_);
    case Desenlace:
        return bitacora::textoDesenlace(c);
    case Pedidos:
        return QString::number(c.cuentas.pedidos);
    case Renglones:
        return QString::number(c.cuentas.renglones);
    case Parametros:
        return c.parametros.texto();
    case Usuario:
        return bitacora::textoUsuarios(c);
    case Mensaje:
        // The first line in the cell; the whole message below the table.
        return c.mensaje.section(QLatin1Char('\n'), 0, 0);
    default:
        return {};
    }
}

ModeloPedidosBitacora::ModeloPedidosBitacora(QObject* padre)
    : ModeloFilas({QStringLiteral("Base de origen"), QStringLiteral("Pedido"), QStringLiteral("Id"),
                   QStringLiteral("Archivo"), QStringLiteral("Línea"), QStringLiteral("Huella"),
                   QStringLiteral("Pedido nuevo"), QStringLiteral("Id nuevo")},
                  padre) {}

bool ModeloPedidosBitacora::aplica(bitacora::Operacion operacion, int columna) {
    switch (operacion) {
    case bitacora::Operacion::Acumulacion:
        return columna == BaseOrigen || columna == PedidoOrigen || columna == IdOrigen ||
               columna == PedidoNuevo || columna == IdNuevo;
    case bitacora::Operacion::Exportacion:
        return columna == PedidoOrigen || columna == IdOrigen || columna == Archivo;
    case bitacora::Operacion::Importacion:
        return columna == Archivo || columna == Linea || columna == Huella ||
               columna == PedidoNuevo || columna == IdNuevo;
    case bitacora::Operacion::Deshacer:
        // The order removed, and for an accumulation the source order it went back to.
        return columna == BaseOrigen || columna == PedidoOrigen || columna == IdOrigen ||
               columna == PedidoNuevo || columna == IdNuevo;
    }
    return true;
}

QVariant ModeloPedidosBitacora::celda(const bitacora::PedidoAnotado& p, int, int columna,
                                      int papel) const {
    if (papel == Qt::TextAlignmentRole)
        return alineacion(lado(columna == IdOrigen || columna == Linea || columna == IdNuevo));
    if (papel != Qt::DisplayRole)
        return {};
    // In the order of the columns.
    const QVariant textos[Columnas] = {acumulacion::conEmpresa(p.baseOrigen, empresas_),
                                       p.pedidoOrigen,
                                       numero(p.idOrigen),
                                       p.archivo,
                                       numero(p.linea),
                                       p.huella,
                                       p.pedidoNuevo,
                                       numero(p.idNuevo)};
    return columna >= 0 && columna < Columnas ? textos[columna] : QVariant();
}
