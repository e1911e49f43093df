#pragma once

#include "export/Exportacion.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QVector>
#include <vector>

// The rows of the export window's grid: running number, "Serie", "Número", "Fecha",
// "Subtotal", "I. V. A.", "Pasar" ("Sí" or "No") and the hidden "Id". A model rather than
// a table of cells, so a search of any size lists every order found.
class ModeloPedidosExportar : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Columna { Numero, Serie, Factura, Fecha, Subtotal, Iva, Pasar, Id, Columnas };

    explicit ModeloPedidosExportar(QObject* parent = nullptr);

    // Every order found, each marked to pass.
    void pon(std::vector<exportacion::FilaExportar> filas);
    void vacia();
    // "Sí" becomes "No" and anything else "Sí".
    void alterna(int fila);
    bool marcado(int fila) const { return marcas_.at(fila); }
    // The Ids of the marked orders, in the grid's order.
    QVector<qint64> marcados() const;

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int papel = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion,
                        int papel = Qt::DisplayRole) const override;

private:
    QString importe(double valor) const;

    std::vector<exportacion::FilaExportar> filas_;
    std::vector<bool> marcas_;
    QLocale regional_;
};
