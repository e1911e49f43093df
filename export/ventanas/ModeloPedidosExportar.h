#pragma once

#include "export/Exportacion.h"

#include "shell/ventanas/ModeloFilas.h"

#include <QLocale>
#include <QVector>
#include <vector>

// The rows of the export window's grid: running number, "Serie", "Número", "Fecha",
// "Subtotal", "I. V. A.", "Pasar" ("Sí" or "No"), "Exportado" (when the journal last saw it
// exported, empty when never) and the hidden "Id". A model rather than
// a table of cells, so a search of any size lists every order found.
class ModeloPedidosExportar : public ModeloFilas<exportacion::FilaExportar> {
    Q_OBJECT
public:
    enum Columna { Numero, Serie, Factura, Fecha, Subtotal, Iva, Pasar, Exportado, Id, Columnas };

    explicit ModeloPedidosExportar(QObject* parent = nullptr);

    // ModeloFilas::pon lists every order found, each marked to pass.
    void vacia();
    // "Sí" becomes "No" and anything else "Sí".
    void alterna(int fila);
    bool marcado(int fila) const { return marcas_.at(fila); }
    // Every order marked, or none.
    void marcaTodos(bool si);
    // The Ids of the marked orders, in the grid's order.
    QVector<qint64> marcados() const;
    // How many are marked, and the sum of their totals (subtotal and VAT) in cents, kept as
    // the marks change so a list of any length counts at once.
    qsizetype cuantosMarcados() const { return cuantos_; }
    qint64 centavosMarcados() const { return centavos_; }
    // The totals in the grid's amount format.
    QString importeCentavos(qint64 centavos) const;

signals:
    // After any change of marks, or of the list.
    void marcasCambiadas();

protected:
    QVariant celda(const exportacion::FilaExportar& f, int renglon, int columna,
                   int papel) const override;
    void alPoner() override;

private:
    QString importe(double valor) const;

    static qint64 centavos(const exportacion::FilaExportar& f);

    std::vector<bool> marcas_;
    qsizetype cuantos_ = 0;
    qint64 centavos_ = 0;
    QLocale regional_;
};
