#include "journal/InformeCorrida.h"
#include "db/GeneradorDemo.h"
#include "sales/NombresEmpresas.h"
#include "support/Esperado.h"
#include "support/ServidorPruebas.h"

#include <gtest/gtest.h>

using acumulacion::conEmpresa;
using acumulacion::NombresEmpresas;

namespace {

bitacora::Corrida corrida(bitacora::Operacion operacion, qint64 id) {
    bitacora::Corrida c;
    c.id = id;
    c.base = QStringLiteral("empresa1");
    c.operacion = operacion;
    c.inicio = QDateTime(QDate(2026, 3, 5), QTime(9, 15, 0));
    c.fin = QDateTime(QDate(2026, 3, 5), QTime(9, 15, 7));
    c.usuarioSistema = QStringLiteral("juan");
    c.equipo = QStringLiteral("pc1");
    c.usuarioBdD = QStringLiteral("root@localhost");
    c.desenlace = bitacora::EstadoCorrida::Hecho;
    return c;
}

} // namespace

// The report of a past export and of a past import as the user saves it, compared whole with
// a reviewed text: the columns of each operation, the counts the journal stored, and what is
// missing from a row left empty rather than as a zero.
TEST(InformeCorrida, PastExportsAndImportsReadAsReviewed) {
    bitacora::Corrida exportacion = corrida(bitacora::Operacion::Exportacion, 12);
    exportacion.parametros.desde = QDate(2026, 3, 1);
    exportacion.parametros.hasta = QDate(2026, 3, 4);
    exportacion.parametros.archivo = QStringLiteral("pedidos.txt");
    exportacion.parametros.destino = QStringLiteral("/media/usb");
    exportacion.mensaje = QStringLiteral("Se exportaron 2 pedidos con 5 renglones.");
    exportacion.cuentas = {2, 5, 0};
    QVector<bitacora::PedidoAnotado> exportados(2);
    exportados[0].idOrigen = 45;
    exportados[0].pedidoOrigen = QStringLiteral("B-1520");
    exportados[0].archivo = QStringLiteral("pedidos.txt");
    exportados[1].idOrigen = 46;
    exportados[1].pedidoOrigen = QStringLiteral("1521");
    exportados[1].archivo = QStringLiteral("pedidos.txt");
    const Informe e = bitacora::InformeCorrida(exportacion, exportados);
    EXPECT_TRUE(pruebas::comoEsperado(e.texto(),
                                      QStringLiteral("journal/esperado/informe-exportacion.txt")));
    EXPECT_EQ(e.nombreArchivo(), QStringLiteral("exportacion-corrida12-20260305-0915.txt"));

    // Failed half-way: the journal lists the one order stored, and the end counts none.
    bitacora::Corrida importacion = corrida(bitacora::Operacion::Importacion, 13);
    importacion.desenlace = bitacora::EstadoCorrida::Fallido;
    importacion.parametros.archivo = QStringLiteral("/media/usb/pedidos.txt");
    importacion.mensaje = QStringLiteral("Se perdió la conexión con el servidor.");
    QVector<bitacora::PedidoAnotado> importados(1);
    importados[0].archivo = QStringLiteral("/media/usb/pedidos.txt");
    importados[0].linea = 3;
    importados[0].idNuevo = 41;
    importados[0].pedidoNuevo = QStringLiteral("A-7");
    const Informe i = bitacora::InformeCorrida(importacion, importados);
    EXPECT_TRUE(pruebas::comoEsperado(i.texto(),
                                      QStringLiteral("journal/esperado/informe-importacion.txt")));
}

// Company names come from generalkorvan.empresas only where the table has a Nombre column;
// a name that is empty, missing or the database's own adds nothing.
TEST(NombresEmpresas, ReadWhereTheTableHasThemAndLeftOutWhereNot) {
    auto c = pruebas::conecta();
    demo::creaGeneral(*c);
    c->ejecuta(QStringLiteral("INSERT INTO generalkorvan.empresas (Nombre, BaseDeDatos) VALUES "
                              "(' Comercial del Norte ', 'Empresa2'), ('', 'empresa3'), "
                              "(NULL, 'empresa4'), ('EMPRESA5', 'empresa5'), "
                              "('Otra', 'empresa2')"));
    const QHash<QString, QString> nombres = NombresEmpresas(*c);
    EXPECT_EQ(nombres.size(), 2);
    EXPECT_EQ(conEmpresa(QStringLiteral("empresa2"), nombres),
              QStringLiteral("empresa2 (Comercial del Norte)"));
    for (const char* sola : {"empresa3", "empresa4", "empresa5", "empresa9"})
        EXPECT_EQ(conEmpresa(QString::fromLatin1(sola), nombres), QString::fromLatin1(sola));

    // An installation whose list has no names.
    c->ejecuta(QStringLiteral("ALTER TABLE generalkorvan.empresas DROP COLUMN Nombre"));
    EXPECT_TRUE(NombresEmpresas(*c).isEmpty());
    c->ejecuta(QStringLiteral("DROP DATABASE generalkorvan"));
    EXPECT_TRUE(NombresEmpresas(*c).isEmpty());
    demo::creaGeneral(*c);
}
