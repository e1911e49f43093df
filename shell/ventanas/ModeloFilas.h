#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

// A read-only grid of rows of one kind, each row one record: the rows, their count and the
// column titles live here, so a model says only what each cell shows. A model rather than a
// table of cells, so a list of any size is shown at once.
template <typename Fila> class ModeloFilas : public QAbstractTableModel {
public:
    ModeloFilas(QStringList titulos, QObject* padre)
        : QAbstractTableModel(padre), titulos_(std::move(titulos)) {}

    // Any list of records; pon({}) empties the grid.
    template <typename Lista = std::vector<Fila>> void pon(Lista filas) {
        beginResetModel();
        filas_.assign(std::make_move_iterator(filas.begin()), std::make_move_iterator(filas.end()));
        alPoner();
        endResetModel();
    }
    // More records after the last: the views keep the current row and the selection.
    template <typename Lista = std::vector<Fila>> void agrega(Lista filas) {
        if (filas.empty())
            return;
        beginInsertRows({}, int(filas_.size()), int(filas_.size() + filas.size()) - 1);
        filas_.insert(filas_.end(), std::make_move_iterator(filas.begin()),
                      std::make_move_iterator(filas.end()));
        alPoner();
        endInsertRows();
    }
    // The record of that row; null outside the list.
    const Fila* fila(int n) const {
        return n >= 0 && size_t(n) < filas_.size() ? &filas_[size_t(n)] : nullptr;
    }

    int rowCount(const QModelIndex& padre = {}) const override {
        return padre.isValid() ? 0 : int(filas_.size());
    }
    int columnCount(const QModelIndex& padre = {}) const override {
        return padre.isValid() ? 0 : int(titulos_.size());
    }
    QVariant data(const QModelIndex& indice, int papel = Qt::DisplayRole) const override {
        const Fila* f = indice.isValid() ? fila(indice.row()) : nullptr;
        return f ? celda(*f, indice.row(), indice.column(), papel) : QVariant();
    }
    QVariant headerData(int seccion, Qt::Orientation orientacion,
                        int papel = Qt::DisplayRole) const override {
        if (orientacion != Qt::Horizontal || papel != Qt::DisplayRole)
            return QAbstractTableModel::headerData(seccion, orientacion, papel);
        return titulos_.value(seccion);
    }

protected:
    virtual QVariant celda(const Fila& f, int renglon, int columna, int papel) const = 0;
    // Called with the new rows in place, before the views are told.
    virtual void alPoner() {}

    static QVariant alineacion(Qt::Alignment horizontal) {
        return int(horizontal | Qt::AlignVCenter);
    }

    std::vector<Fila> filas_;

private:
    QStringList titulos_;
};
