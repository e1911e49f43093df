#include "Escenario.h"

#include "db/GeneradorDemo.h"

namespace pruebas {

Escenario::Escenario(int otras) : conexion_(conecta()) {
    demo::creaGeneral(*conexion_);
    for (int i = 0; i <= otras; ++i) {
        bases_.push_back(std::make_unique<BaseEmpresa>(QStringLiteral("acu")));
        registra(bases_.back()->nombre());
    }
}

void Escenario::registra(const QString& base) {
    demo::registraEmpresa(*conexion_, base);
}

qint64 Escenario::pedido(BaseEmpresa& b, const QString& serie, int folio, const QDate& fecha,
                         const QVector<Renglon>& renglones, const QVariant& subtotal) {
    host::Conexion& c = b.conexion();
    c.ejecuta(QStringLiteral("INSERT INTO pedidos (Factura, Serie, Cliente, Fecha, Subtotal, IVA, "
                             "ImpuestoAd, NotaF1, Capturado, Sucursal) "
                             "VALUES (?, ?, 'C1', ?, ?, 16, 0, ?, '2026-02-03 10:20:30', 'SUC9')"),
              {folio, serie, fecha, subtotal, QStringLiteral("origen %1").arg(folio)});
    const qint64 id = qint64(c.ultimoId());
    for (int i = 0; i < renglones.size(); ++i) {
        const Renglon& r = renglones[i];
        c.ejecuta(QStringLiteral("INSERT IGNORE INTO productos (Clave, PorVender) VALUES (?, 100)"),
                  {r.producto});
        c.ejecuta(
            QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, Cantidad, "
                           "Pedido, Almacen, Entrega) VALUES (?, ?, ?, ?, ?, ?, '2026-03-04')"),
            {id, i + 1, r.producto, r.cantidad, r.pendiente, r.almacen});
    }
    return id;
}

} // namespace pruebas
