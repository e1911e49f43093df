#include "journal/ventanas/ModelosBitacora.h"

#include "journal/LecturaBitacora.h"

namespace {

QVariant alineacion(bool aLaDerecha) {
    return int((aLaDerecha ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

// A number that is 0 when the journal holds none shows as an empty cell.
QVariant numero(qint64 n) {
    return n != 0 ? QVariant(QString::number(n)) : QVariant();
}

} // namespace

void ModeloCorridas::pon(QVector<bitacora::Corrida> corridas) {
    beginResetModel();
    corridas_ = std::move(corridas);
    endResetModel();
}

const bitacora::Corrida* ModeloCorridas::corrida(int fila) const {
    return fila >= 0 && fila < corridas_.size() ? &corridas_[fila] : nullptr;
}

int ModeloCorridas::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : int(corridas_.size());
}

int ModeloCorridas::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : Columnas;
}

QVariant ModeloCorridas::data(const QModelIndex& indice, int papel) const {
    const bitacora::Corrida* c = corrida(indice.row());
    if (!c)
        return {};
    if (papel == Qt::TextAlignmentRole)
        return alineacion(indice.column() == Pedidos || indice.column() == Renglones);
    if (papel == Qt::ToolTipRole && indice.column() == Mensaje)
        return c->mensaje;
    if (papel != Qt::DisplayRole)
        return {};
    switch (indice.column()) {
    case Inicio:
        return bitacora::textoMomento(c->inicio);
    case Fin:
        return bitacora::textoMomento(c->fin);
    case Operacion:
        return bitacora::texto(c->operacion);
    case Base:
        return c->base;
    case Desenlace:
        return bitacora::textoDesenlace(*c);
    case Pedidos:
        return QString::number(c->cuentas.pedidos);
    case Renglones:
        return QString::number(c->cuentas.renglones);
    case Parametros:
        return c->parametros.texto();
    case Usuario:
        return bitacora::textoUsuarios(*c);
    case Mensaje:
        // The first line in the cell; the whole message below the table.
        return c->mensaje.section(QLatin1Char('\n'), 0, 0);
    default:
        return {};
    }
}

QVariant ModeloCorridas::headerData(int seccion, Qt::Orientation orientacion, int papel) const {
    if (orientacion != Qt::Horizontal || papel != Qt::DisplayRole)
        return QAbstractTableModel::headerData(seccion, orientacion, papel);
    static const QStringList titulos = {
        QStringLiteral("Inicio"),        QStringLiteral("Fin"),        QStringLiteral("Operación"),
        QStringLiteral("Base de datos"), QStringLiteral("Resultado"),  QStringLiteral("Pedidos"),
        QStringLiteral("Renglones"),     QStringLiteral("Parámetros"), QStringLiteral("Usuario"),
        QStringLiteral("Mensaje")};
    return titulos.value(seccion);
}

void ModeloPedidosBitacora::pon(QVector<bitacora::PedidoAnotado> pedidos) {
    beginResetModel();
    pedidos_ = std::move(pedidos);
    endResetModel();
}

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
    }
    return true;
}

int ModeloPedidosBitacora::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : int(pedidos_.size());
}

int ModeloPedidosBitacora::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : Columnas;
}

QVariant ModeloPedidosBitacora::data(const QModelIndex& indice, int papel) const {
    if (!indice.isValid() || indice.row() >= pedidos_.size())
        return {};
    const bitacora::PedidoAnotado& p = pedidos_[indice.row()];
    if (papel == Qt::TextAlignmentRole)
        return alineacion(indice.column() == IdOrigen || indice.column() == Linea ||
                          indice.column() == IdNuevo);
    if (papel != Qt::DisplayRole)
        return {};
    switch (indice.column()) {
    case BaseOrigen:
        return p.baseOrigen;
    case PedidoOrigen:
        return p.pedidoOrigen;
    case IdOrigen:
        return numero(p.idOrigen);
    case Archivo:
        return p.archivo;
    case Linea:
        return numero(p.linea);
    case Huella:
        return p.huella;
    case PedidoNuevo:
        return p.pedidoNuevo;
    case IdNuevo:
        return numero(p.idNuevo);
    default:
        return {};
    }
}

QVariant ModeloPedidosBitacora::headerData(int seccion, Qt::Orientation orientacion,
                                           int papel) const {
    if (orientacion != Qt::Horizontal || papel != Qt::DisplayRole)
        return QAbstractTableModel::headerData(seccion, orientacion, papel);
    static const QStringList titulos = {
        QStringLiteral("Base de origen"), QStringLiteral("Pedido"),  QStringLiteral("Id"),
        QStringLiteral("Archivo"),        QStringLiteral("Línea"),   QStringLiteral("Huella"),
        QStringLiteral("Pedido nuevo"),   QStringLiteral("Id nuevo")};
    return titulos.value(seccion);
}
