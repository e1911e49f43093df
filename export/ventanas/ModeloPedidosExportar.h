#pragma once

#include "export/Exportacion.h"

#include "shell/ventanas/ModeloFilas.h"

#include <QLocale>
#include <QVector>
#include <vector>

// The rows of the export window's grid: running number, "Serie", "Número", "Fecha",
// "Subtotal", "I. V. A.", "Pasar" ("Sí" or "No") and the hidden "Id". A model rather than
// a table of cells, so a search of any size lists every order found.
class ModeloPedidosExportar : public ModeloFilas<exportacion::FilaExportar> {
    Q_OBJECT
public:
    enum Columna { Numero, Serie, Factura, Fecha, Subtotal, Iva, Pasar, Id, Columnas };

    explicit ModeloPedidosExportar(QObject* parent = nullptr);

    // ModeloFilas::pon lists every order found, each marked to pass.
    void vacia();
    // "Sí" becomes "No" and anything else "Sí".
    void alterna(int fila);
    bool marcado(int fila) const { return marcas_.at(fila); }
    // The Ids of the marked orders, in the grid's order.
    QVector<qint64> marcados() const;

protected:
    QVariant celda(const exportacion::FilaExportar& f, int renglon, int columna,
                   int papel) const override;
    void alPoner() override;

private:
    QString importe(double valor) const;

    std::vector<bool> marcas_;
    QLocale regional_;
};
