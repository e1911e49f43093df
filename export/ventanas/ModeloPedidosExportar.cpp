#include "export/ventanas/ModeloPedidosExportar.h"

#include "sales/FormatoImporte.h"
#include "shell/host/libNucleo.h"

ModeloPedidosExportar::ModeloPedidosExportar(QObject* parent)
    : ModeloFilas({QString(), QStringLiteral("Serie"), QStringLiteral("Número"),
                   QStringLiteral("Fecha"), QStringLiteral("Subtotal"), QStringLiteral("I. V. A."),
                   QStringLiteral("Pasar"), QStringLiteral("Exportado"), QStringLiteral("Id")},
                  parent) {}

QString ModeloPedidosExportar::importe(double valor) const {
    // "##,###,##0.00", grouped with the user's separators like the other amounts shown.
    return acumulacion::formatoImporte(QByteArray::number(valor, 'f', 6), regional_);
}

void ModeloPedidosExportar::alPoner() {
    marcas_.assign(filas_.size(), true);
    cuantos_ = qsizetype(filas_.size());
    centavos_ = 0;
    for (const exportacion::FilaExportar& f : filas_)
        centavos_ += centavos(f);
    emit marcasCambiadas();
}

qint64 ModeloPedidosExportar::centavos(const exportacion::FilaExportar& f) {
    // Counted in whole cents, so a thousand clicks add up to the amounts shown.
    return qRound64(f.subtotal * 100) + qRound64(f.iva * 100);
}

QString ModeloPedidosExportar::importeCentavos(qint64 c) const {
    const QByteArray texto = QByteArray::number(c / 100) + '.' +
                             QByteArray::number(std::abs(c % 100)).rightJustified(2, '0');
    return acumulacion::formatoImporte(c < 0 && c > -100 ? "-" + texto : texto, regional_);
}

void ModeloPedidosExportar::marcaTodos(bool si) {
    if (filas_.empty())
        return;
    marcas_.assign(filas_.size(), si);
    cuantos_ = si ? qsizetype(filas_.size()) : 0;
    centavos_ = 0;
    if (si)
        for (const exportacion::FilaExportar& f : filas_)
            centavos_ += centavos(f);
    emit dataChanged(index(0, Pasar), index(rowCount() - 1, Pasar), {Qt::DisplayRole});
    emit marcasCambiadas();
}

void ModeloPedidosExportar::vacia() {
    pon({});
}

void ModeloPedidosExportar::alterna(int fila) {
    if (fila < 0 || fila >= rowCount())
        return;
    marcas_[fila] = !marcas_[fila];
    const qint64 importe = centavos(filas_[size_t(fila)]);
    cuantos_ += marcas_[fila] ? 1 : -1;
    centavos_ += marcas_[fila] ? importe : -importe;
    const QModelIndex casilla = index(fila, Pasar);
    emit dataChanged(casilla, casilla, {Qt::DisplayRole});
    emit marcasCambiadas();
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
    case Exportado:
        return f.exportado.isValid() ? f.exportado.toString(host::libNucleo::FormatoFecha() +
                                                            QStringLiteral(" HH:mm"))
                                     : QString();
    case Id:
        return QString::number(f.id);
    default:
        return {};
    }
}
