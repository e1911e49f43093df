#include "export/ventanas/ModeloPedidosExportar.h"

#include "sales/FormatoImporte.h"
#include "shell/host/libNucleo.h"

ModeloPedidosExportar::ModeloPedidosExportar(QObject* parent)
    : ModeloFilas({QString(), QStringLiteral("Serie"), QStringLiteral("Número"),
                   QStringLiteral("Fecha"), QStringLiteral("Subtotal"), QStringLiteral("I. V. A."),
                   QStringLiteral("Pasar"), QStringLiteral("Id")},
                  parent) {}

QString ModeloPedidosExportar::importe(double valor) const {
    // "##,###,##0.00", grouped with the user's separators like the other amounts shown.
    return acumulacion::formatoImporte(QByteArray::number(valor, 'f', 6), regional_);
}

void ModeloPedidosExportar::alPoner() {
    marcas_.assign(filas_.size(), true);
}

void ModeloPedidosExportar::vacia() {
    pon({});
}

void ModeloPedidosExportar::alterna(int fila) {
    if (fila < 0 || fila >= rowCount())
        return;
    marcas_[fila] = !marcas_[fila];
    const QModelIndex casilla = index(fila, Pasar);
    emit dataChanged(casilla, casilla, {Qt::DisplayRole});
}

QVector<qint64> ModeloPedidosExportar::marcados() const {
    QVector<qint64> ids;
    for (size_t i = 0; i < filas_.size(); ++i)
        if (marcas_[i])
            ids << filas_[i].id;
    return ids;
}

QVariant ModeloPedidosExportar::celda(const exportacion::FilaExportar& f, int renglon, int columna,
                                      int papel) const {
    if (papel == Qt::TextAlignmentRole) {
        switch (columna) {
        case Numero:
        case Factura:
        case Subtotal:
        case Iva:
            return alineacion(Qt::AlignRight);
        case Pasar:
            return alineacion(Qt::AlignHCenter);
        default:
            return alineacion(Qt::AlignLeft);
        }
    }
    if (papel != Qt::DisplayRole)
        return {};
    switch (columna) {
    case Numero:
        return renglon + 1;
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
        return marcas_[size_t(renglon)] ? QStringLiteral("Sí") : QStringLiteral("No");
    case Id:
        return QString::number(f.id);
    default:
        return {};
    }
}
