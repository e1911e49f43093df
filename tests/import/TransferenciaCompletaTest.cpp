#include "ArchivoPrueba.h"
#include "data/FormatoTransferencia.h"
#include "db/GeneradorDemo.h"
#include "export/Exportacion.h"
#include "import/Importacion.h"

#include <gtest/gtest.h>

using pruebas::BaseEmpresa;

namespace {

// Each row of the query as one text, columns joined by "|" (NULL shown as such).
QStringList filas(host::Conexion& c, const QString& sql) {
    QStringList salida;
    auto rs = c.consulta(sql);
    for (; !rs->eof(); rs->MoveNext()) {
        QStringList campos;
        for (int i = 0; i < rs->columnas(); ++i)
            campos << (rs->esNulo(i) ? QStringLiteral("NULL") : rs->texto(i));
        salida << campos.join(QLatin1Char('|'));
    }
    return salida;
}

} // namespace

TEST(Transferencia, ExportThenImportMovesEveryOrderWithEveryColumnButIdAndFolio) {
    BaseEmpresa origen(QStringLiteral("trorigen"));
    demo::Parametros p;
    p.pedidos = 1300; // more than one batch on both sides
    p.renglones = 3;
    demo::llenaEmpresa(origen.conexion(), origen.nombre(), p, 2);
    // Accents, a character outside the code page and the markers' look-alikes as texts.
    origen.ejecuta(QString::fromUtf8(
        "UPDATE pedidos SET NotaF2='¿Añadir? #NULL#', NotaF3='#TRUE#', Nota='línea\r\notra' "
        "WHERE Id=7"));
    BaseEmpresa destino(QStringLiteral("trdestino"));
    destino.ejecuta(
        QStringLiteral("INSERT INTO productos SELECT Clave,Descripcion,Existencia,0,Precio1 "
                       "FROM %1.productos")
            .arg(origen.nombre()));

    QVector<qint64> ids;
    for (const auto& f : exportacion::BuscaPedidosExportar(origen.conexion(), {}, {}))
        ids << f.id;
    QTemporaryDir carpeta;
    const auto e =
        exportacion::EscribeArchivo(origen.conexion(), ids, QStringLiteral("todo"), carpeta.path());
    ASSERT_TRUE(e.ok) << e.mensaje.toStdString();
    EXPECT_TRUE(e.avisos.isEmpty()) << e.avisos.join('\n').toStdString();
    const auto i = importacion::SubePedidos(destino.conexion(), e.archivo, carpeta.path());
    ASSERT_TRUE(i.ok) << i.mensaje.toStdString();
    EXPECT_EQ(i.pedidos, 1300);
    EXPECT_EQ(i.renglones, 3900);

    // Orders: the source in file order against the new ones by Id; every text had its
    // double quotes turned into apostrophes.
    QStringList nombres = transferencia::columnasEncabezado().mid(1);
    QStringList limpias;
    for (const QString& n : nombres)
        limpias << (n == QLatin1String("Fecha") || n == QLatin1String("Vence") ||
                            n == QLatin1String("Afectada") || n == QLatin1String("Cancelada")
                        ? n
                        : QStringLiteral("REPLACE(%1,'\"','''')").arg(n));
    const QStringList esperados =
        filas(origen.conexion(), QStringLiteral("SELECT %1 FROM pedidos ORDER BY Fecha, Id")
                                     .arg(limpias.join(QLatin1Char(','))));
    const QStringList obtenidos =
        filas(destino.conexion(),
              QStringLiteral("SELECT %1 FROM pedidos ORDER BY Id").arg(nombres.join(',')));
    ASSERT_EQ(obtenidos.size(), esperados.size());
    for (int k = 0; k < esperados.size(); ++k)
        ASSERT_EQ(obtenidos[k], esperados[k]) << "pedido " << k;
    EXPECT_TRUE(obtenidos.join('\n').contains(QString::fromUtf8("¿Añadir? #NULL#|#TRUE#")));

    // Lines: same order of orders, each order's lines by Partida.
    QStringList lineas;
    for (const QString& n : transferencia::columnasRenglon())
        lineas << QStringLiteral("REPLACE(d.%1,'\"','''')").arg(n);
    EXPECT_EQ(filas(destino.conexion(),
                    QStringLiteral("SELECT %1 FROM pedidosdetalle d ORDER BY d.Id, d.Partida")
                        .arg(lineas.join(','))),
              filas(origen.conexion(),
                    QStringLiteral("SELECT %1 FROM pedidosdetalle d JOIN pedidos p ON p.Id=d.Id "
                                   "ORDER BY p.Fecha, p.Id, d.Partida")
                        .arg(lineas.join(','))));

    // The rows a query gives in the destination are those another gives in the source.
    const auto mismasFilas = [&](const QString& enDestino, const QString& enOrigen) {
        EXPECT_EQ(filas(destino.conexion(), enDestino), filas(origen.conexion(), enOrigen))
            << enDestino.toStdString();
    };
    // Folios 1, 2, ... per series; every customer now exists; the stock to be sold grew by
    // the quantities.
    mismasFilas(QStringLiteral("SELECT Serie, COUNT(*), MIN(Factura), MAX(Factura), "
                               "COUNT(DISTINCT Factura) FROM pedidos GROUP BY Serie"),
                QStringLiteral("SELECT Serie, COUNT(*), 1, COUNT(*), COUNT(*) FROM pedidos "
                               "GROUP BY Serie"));
    EXPECT_EQ(i.clientesNuevos,
              origen.cuenta(QStringLiteral("(SELECT DISTINCT Cliente FROM pedidos) c")));
    mismasFilas(QStringLiteral("SELECT c.Clave, c.Precio, c.Atencion FROM clientes c "
                               "WHERE c.Clave LIKE 'C%' ORDER BY c.Clave"),
                QStringLiteral("SELECT c.Clave, c.Precio, c.Atencion FROM clientes c WHERE "
                               "c.Clave IN (SELECT Cliente FROM pedidos) ORDER BY c.Clave"));
    mismasFilas(QStringLiteral("SELECT Clave, PorVender FROM productos WHERE PorVender<>0 "
                               "ORDER BY Clave"),
                QStringLiteral("SELECT Producto, CAST(SUM(Cantidad) AS DECIMAL(14,4)) FROM "
                               "pedidosdetalle GROUP BY Producto ORDER BY Producto"));
}
