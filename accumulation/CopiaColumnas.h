#pragma once

#include "accumulation/ConsultasAcumulacion.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

namespace acumulacion {

// How an order goes from another company's pedidos and pedidosdetalle into the current
// database's: column by column by name, whatever the place of each, since company databases
// made by different versions of the sales system lay their tables out differently. A column
// both have is copied; one only the current database has takes its default; one only the
// source has is not copied (and said). Id, Factura and Serie of the header and Id of the lines
// are given by the run, never copied.
class CopiaColumnas {
public:
    // Reads the columns of the current database's two tables (the connection's database).
    // Throws ErrorBdD when one lacks a column the run itself fills.
    explicit CopiaColumnas(host::Conexion& actual);
    // The current database.
    const QString& base() const { return base_; }

    // Compares the tables of the company's database, the default one of conexion, with the
    // current ones, and fills empresa's lists of columns to copy. Gives why its orders cannot
    // be copied (empty when they can): a column the run needs is missing, or the current
    // database needs a value that the company does not have. sinCopiar gets the company's
    // columns that the current database lacks, as "pedidos.Ruta". Throws ErrorBdD when a
    // table cannot be read: pedidos, pedidosdetalle or one of otras, read in the same query.
    QString compara(host::Conexion& conexion, EmpresaOrigen& empresa, QStringList& sinCopiar,
                    const QStringList& otras = {}) const;

private:
    struct Destino {
        QString tabla;
        QStringList asignadas;  // filled by the run, never copied
        QStringList leidas;     // besides those, read from the source by the run's queries
        QStringList todas;      // the current table's columns
        QStringList copiables;  // those a value may be written to
        QStringList requeridas; // those that need a value: no default, no trigger to fill it
    };
    Destino lee(host::Conexion& actual, const QString& tabla, QStringList asignadas,
                QStringList leidas);
    QString compara(const Destino& d, const QStringList& origen, const QString& base,
                    QStringList& copiadas, QStringList& sinCopiar) const;

    QString base_;
    Destino encabezado_, renglon_;
};

} // namespace acumulacion
