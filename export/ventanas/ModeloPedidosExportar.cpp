#include "export/ventanas/ModeloPedidosExportar.h"

#include "accumulation/FormatoImporte.h"
#include "shell/host/libNucleo.h"

ModeloPedidosExportar::ModeloPedidosExportar(QObject* parent) : QAbstractTableModel(parent) {}

QString ModeloPedidosExportar::importe(double valor) const {
    // "##,###,##0.00", grouped with the user's separators like the other amounts shown.
    return acumulacion::formatoImporte(QByteArray::number(valor, 'f', 6), regional_);
}

void ModeloPedidosExportar::pon(std::vector<exportacion::FilaExportar> filas) {
    beginResetModel();
    filas_ = std::move(filas);
    marcas_.assign(filas_.size(), true);
    endResetModel();
}

void ModeloPedidosExportar::vacia() {
    pon({});
}

void ModeloPedidosExportar::alterna(int fila) {
    if (fila < 0 || fila >= rowCount())
        return;
    marcas_[fila] = !marcas_[fila];
    const QModelIndex celda = index(fila, Pasar);
    emit dataChanged(celda, celda, {Qt::DisplayRole});
}

QVector<qint64> ModeloPedidosExportar::marcados() const {
    QVector<qint64> ids;
    for (size_t i = 0; i < filas_.size(); ++i)
        if (marcas_[i])
            ids << filas_[i].id;
    return ids;
}

int ModeloPedidosExportar::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : int(filas_.size());
}

int ModeloPedidosExportar::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : Columnas;
}

QVariant ModeloPedidosExportar::data(const QModelIndex& indice, int papel) const {
    if (!indice.isValid() || indice.row() >= rowCount())
        return {};
    const exportacion::FilaExportar& f = filas_[size_t(indice.row())];
    if (papel == Qt::TextAlignmentRole) {
        switch (indice.column()) {
        case Numero:
        case Factura:
        case Subtotal:
        case Iva:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        case Pasar:
            return int(Qt::AlignCenter);
        default:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    if (papel != Qt::DisplayRole)
        return {};
    switch (indice.column()) {
    case Numero:
        return indice.row() + 1;
    case Serie:
        return f.serie;
    case Factura:
        return QString::number(f.factura);
    case Fecha:
        return f.fecha.isValid() ? f.fecha.toString(host::libNucleo::FormatoFecha()) : QString();
    case Subtotal:
        return importe(f.subtotal);
    case Iva:
        return importe(f.iva);
    case Pasar:
        return marcas_[size_t(indice.row())] ? QStringLiteral("Sí") : QStringLiteral("No");
    case Id:
        return QString::number(f.id);
    default:
        return {};
    }
}

QVariant ModeloPedidosExportar::headerData(int seccion, Qt::Orientation orientacion,
                                           int papel) const {
    if (orientacion != Qt::Horizontal || papel != Qt::DisplayRole)
        return QAbstractTableModel::headerData(seccion, orientacion, papel);
    static const QStringList titulos = {QString(),
                                        QStringLiteral("Serie"),
                                        QStringLiteral("Número"),
                                        QStringLiteral("Fecha"),
                                        QStringLiteral("Subtotal"),
                                        QStringLiteral("I. V. A."),
                                        QStringLiteral("Pasar"),
                                        QStringLiteral("Id")};
    return titulos.value(seccion);
}
