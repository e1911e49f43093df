#pragma once

#include "data/Bitacora.h"

#include <QAbstractTableModel>
#include <QVector>

// The runs listed by the journal window, newest first.
class ModeloCorridas : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Columna {
        Inicio,
        Fin,
        Operacion,
        Base,
        Desenlace,
        Pedidos,
        Renglones,
        Parametros,
        Usuario,
        Mensaje,
        Columnas
    };

    using QAbstractTableModel::QAbstractTableModel;

    void pon(QVector<bitacora::Corrida> corridas);
    // The run of that row; null outside the list.
    const bitacora::Corrida* corrida(int fila) const;

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int papel = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion,
                        int papel = Qt::DisplayRole) const override;

private:
    QVector<bitacora::Corrida> corridas_;
};

// The orders of one run: a model rather than a table of cells, so a run of any size lists
// every order at once.
class ModeloPedidosBitacora : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Columna {
        BaseOrigen,
        PedidoOrigen,
        IdOrigen,
        Archivo,
        Linea,
        Huella,
        PedidoNuevo,
        IdNuevo,
        Columnas
    };

    using QAbstractTableModel::QAbstractTableModel;

    void pon(QVector<bitacora::PedidoAnotado> pedidos);
    // The columns that say something about the orders of that operation.
    static bool aplica(bitacora::Operacion operacion, int columna);

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int papel = Qt::DisplayRole) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion,
                        int papel = Qt::DisplayRole) const override;

private:
    QVector<bitacora::PedidoAnotado> pedidos_;
};
