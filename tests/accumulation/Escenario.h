#pragma once

#include "support/ServidorPruebas.h"

#include <QDate>
#include <QVector>
#include <memory>
#include <ostream>
#include <vector>

namespace pruebas {

struct Renglon {
    QString producto;
    double cantidad = 1;
    double pendiente = 0;
    QString almacen = QStringLiteral("ALM");
};

// generalkorvan rebuilt with a current company database and `otras` more, registered in that
// order (so in ascending empresas.Id), all of them scratch databases dropped at the end.
class Escenario {
public:
    explicit Escenario(int otras);
    BaseEmpresa& actual() { return *bases_.front(); }
    BaseEmpresa& empresa(int n) { return *bases_.at(n); } // 1..otras
    host::BasesDD bases() const { return basesDD(bases_.front()->nombre()); }
    host::Conexion& conexion() { return *conexion_; }
    void registra(const QString& base);

    // An order with its lines (Partida 1, 2, ...); products are created with PorVender 100.
    qint64 pedido(BaseEmpresa& b, const QString& serie, int folio, const QDate& fecha,
                  const QVector<Renglon>& renglones, const QVariant& subtotal = 100);

private:
    std::unique_ptr<host::Conexion> conexion_;
    std::vector<std::unique_ptr<BaseEmpresa>> bases_;
};

} // namespace pruebas
