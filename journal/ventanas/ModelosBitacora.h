#pragma once

#include "journal/Bitacora.h"

#include "shell/ventanas/ModeloFilas.h"

#include <QHash>
#include <QVector>

// The runs listed by the journal window, newest first.
class ModeloCorridas : public ModeloFilas<bitacora::Corrida> {
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

    explicit ModeloCorridas(QObject* padre);
    // The run of that row; null outside the list.
    const bitacora::Corrida* corrida(int n) const { return fila(n); }

    // Whether the journals hold runs after the last one listed. The views ask for them
    // (masPedidas) when the list is scrolled to its end, once until this is set again.
    void ponHayMas(bool hayMas) { hayMas_ = hayMas; }
    bool canFetchMore(const QModelIndex& padre) const override {
        return !padre.isValid() && hayMas_;
    }
    void fetchMore(const QModelIndex& padre) override;
    // The companies' names shown beside the databases (NombresEmpresas).
    void ponEmpresas(QHash<QString, QString> empresas) { empresas_ = std::move(empresas); }
    const QHash<QString, QString>& empresas() const { return empresas_; }

signals:
    void masPedidas();

protected:
    QVariant celda(const bitacora::Corrida& c, int renglon, int columna, int papel) const override;

private:
    bool hayMas_ = false;
    QHash<QString, QString> empresas_;
};

// The orders of one run.
class ModeloPedidosBitacora : public ModeloFilas<bitacora::PedidoAnotado> {
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

    explicit ModeloPedidosBitacora(QObject* padre);
    // The columns that say something about the orders of that operation.
    static bool aplica(bitacora::Operacion operacion, int columna);
    // The companies' names shown beside the source databases (NombresEmpresas).
    void ponEmpresas(QHash<QString, QString> empresas) { empresas_ = std::move(empresas); }

protected:
    QVariant celda(const bitacora::PedidoAnotado& p, int renglon, int columna,
                   int papel) const override;

private:
    QHash<QString, QString> empresas_;
};
