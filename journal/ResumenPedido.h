#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace host {
class Conexion;
} // namespace host
namespace transferencia {
class Sha256;
} // namespace transferencia

namespace bitacora {

// The digest of an order as stored: its header's folio, customer, date and amounts, and the
// product, quantities and place of each of its lines, in whatever order the lines come. A
// run keeps it beside each order it creates; an undo reads the order again and compares, so
// an order that was invoiced, edited or deleted since is told apart without trusting
// timestamps. Numbers are compared by value ("2.50" is "2.5000"), so what the run wrote and
// what the server gives back agree.
class ResumenPedido {
public:
    // The columns the digest covers, in the order their values are given.
    static const QStringList& columnasEncabezado(); // Serie, Factura, Cliente, Fecha, Subtotal, IVA
    static const QStringList& columnasRenglon(); // Partida, Producto, Cantidad, Pedido, Facturado

    ResumenPedido();
    // The header's value of column k of columnasEncabezado(), given in that order.
    void encabezado(QByteArrayView valor, bool nulo);
    // One line: values[k] is column k of columnasRenglon(); nulos[k] says it is NULL.
    void renglon(const QByteArrayView* valores, const bool* nulos);
    // 64 hexadecimal digits.
    QString texto() const;

    // The digests of these orders of the tables pedidos and pedidosdetalle of base, as they
    // are stored now, read with locking reads when bloquea (kept to the end of the caller's
    // transaction). An order not found has none. A column the tables lack counts as NULL on
    // both sides. Throws host::ErrorBdD.
    static QHash<qint64, QString> lee(host::Conexion& conexion, const QString& base,
                                      const std::vector<qint64>& ids, bool bloquea);

    // The same for one database read many times (a run reads back each group it moves):
    // its tables' columns are asked once.
    class Lector {
    public:
        Lector(host::Conexion& conexion, const QString& base);
        // renglones, when given, gets how many lines each order found holds.
        QHash<qint64, QString> lee(const std::vector<qint64>& ids, bool bloquea,
                                   QHash<qint64, qint64>* renglones = nullptr);

    private:
        host::Conexion& conexion_;
        QString pedidos_, detalle_, encabezado_, renglon_;
    };

private:
    // The digest of the header and these lines, which it sorts, through sha (left ready for
    // the next digest).
    QString suma(std::vector<QByteArray>& renglones, transferencia::Sha256& sha) const;

    QByteArray encabezado_;
    int columna_ = 0;
    // Each line's values, sorted before hashing: the same whatever order they come in.
    std::vector<QByteArray> renglones_;
};

} // namespace bitacora
