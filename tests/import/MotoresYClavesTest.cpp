#include "ArchivoPrueba.h"
#include "app/Comandos.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"
#include "support/OrdenPrueba.h"

#include <gtest/gtest.h>

using bitacora::Bitacora;
using importacion::SubePedidos;
using pruebas::BaseEmpresa;
using namespace prueba;

namespace {

importacion::OpcionesImportacion revision() {
    importacion::OpcionesImportacion o;
    o.revisar = true;
    return o;
}

// The customers and the counters as the table holds them.
QString clientesYContadores(BaseEmpresa& b) {
    return b.valor(QStringLiteral("SELECT CONCAT((SELECT GROUP_CONCAT(Clave ORDER BY Clave) FROM "
                                  "clientes), ' ', (SELECT GROUP_CONCAT(CONCAT(Dato, '=', "
                                  "Contenido) ORDER BY Dato) FROM sistema))"));
}

} // namespace

// On a table that keeps no transactions the preview would keep what it "undoes", and a
// failed import would keep half of itself: both are refused before anything is written,
// naming the table and how to convert it. The journal's register counts as one of them.
TEST(TablasSinTransacciones, ThePreviewAndTheImportAreRefusedBeforeWritingAnything) {
    BaseEmpresa b(QStringLiteral("immyisam"));
    b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('P1', 0)"));
    QTemporaryDir carpeta;
    const QString ruta =
        archivo(carpeta, encabezado("A", "C1") + renglon("P1", "2") + encabezado("A", "C2"));
    for (const QString& tabla :
         {QStringLiteral("clientes"), bitacora::EsquemaBitacora::tablaHuellas()}) {
        SCOPED_TRACE(tabla.toStdString());
        bitacora::EsquemaBitacora::creaTablas(b.conexion());
        b.ejecuta(QStringLiteral("ALTER TABLE %1 ENGINE=MyISAM").arg(tabla));
        const QString antes = estado(b);
        const QString motivo =
            QStringLiteral("La tabla %1.%2 (MyISAM) no guarda transacciones: si algo fallara a "
                           "mitad de la operación, lo que se hubiera escrito en ella no podría "
                           "deshacerse, así que no se escribió nada. Conviértala a InnoDB y "
                           "repita la operación:\n  ALTER TABLE `%1`.`%2` ENGINE=InnoDB;")
                .arg(b.nombre(), tabla);
        const auto vista = SubePedidos(b.conexion(), ruta, carpeta.path(), {}, revision());
        EXPECT_FALSE(vista.ok);
        EXPECT_EQ(vista.mensaje, QStringLiteral("No se revisó el archivo %1: %2")
                                     .arg(QDir::toNativeSeparators(ruta), motivo));
        EXPECT_EQ(estado(b), antes);
        Programa p;
        *p.bases = pruebas::basesDD(b.nombre());
        p.baseImportar = b.nombre();
        p.carpetaPrograma = carpeta.path();
        const auto s = pruebas::corre(comandos::importar, p, {"--archivo", ruta});
        EXPECT_EQ(s.estado, 1);
        EXPECT_EQ(s.errores, QStringLiteral("No se importó el archivo %1: %2\n")
                                 .arg(QDir::toNativeSeparators(ruta), motivo));
        EXPECT_EQ(estado(b), antes);
        EXPECT_EQ(b.cuenta(bitacora::EsquemaBitacora::tablaCorridas()) +
                      b.cuenta(bitacora::EsquemaBitacora::tablaHuellas()),
                  0);
        b.ejecuta(QStringLiteral("ALTER TABLE %1 ENGINE=InnoDB").arg(tabla));
    }
    EXPECT_TRUE(SubePedidos(b.conexion(), ruta, carpeta.path()).ok);
}

// Without keys on clientes.Clave and sistema.Dato, an existing customer or counter is found
// by its key (as the table compares it: "c1" is "C1") and never added again.
TEST(TablasSinClave, ExistingCustomersAndCountersAreFoundAndNeverAddedAgain) {
    BaseEmpresa b(QStringLiteral("imsinclave"));
    b.ejecuta(QStringLiteral("ALTER TABLE clientes DROP PRIMARY KEY"));
    b.ejecuta(QStringLiteral("ALTER TABLE sistema DROP PRIMARY KEY"));
    b.ejecuta(QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES ('C1', 'Ya estaba')"));
    b.ejecuta(QStringLiteral("INSERT INTO sistema VALUES ('PE-A', '5')"));
    QTemporaryDir carpeta;
    const auto primera = SubePedidos(
        b.conexion(),
        archivo(carpeta, encabezado("A", "C1") + encabezado("A", "c1") + encabezado("", "C2")),
        carpeta.path());
    ASSERT_TRUE(primera.ok) << primera.mensaje.toStdString();
    EXPECT_EQ(primera.clientesNuevos, 1);
    EXPECT_EQ(clientesYContadores(b), QStringLiteral("C1,C2 PE-=1,PE-A=7"));
    // Another file with the same customers and one more, after the first: a round of its own.
    const auto segunda = SubePedidos(
        b.conexion(),
        archivo(carpeta, encabezado("A", "C2") + encabezado("A", "C3") + encabezado("", "C1"),
                QStringLiteral("otro.txt")),
        carpeta.path());
    ASSERT_TRUE(segunda.ok) << segunda.mensaje.toStdString();
    EXPECT_EQ(segunda.clientesNuevos, 1);
    EXPECT_EQ(clientesYContadores(b), QStringLiteral("C1,C2,C3 PE-=2,PE-A=9"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT Nombre FROM clientes WHERE Clave='C1'")),
              QStringLiteral("Ya estaba"));
}

// Two imports at once into keyless tables, with the same new customers and counters that do
// not exist yet (sistema empty): each customer and each counter goes in once.
TEST(TablasSinClave, TwoImportsAtOnceAddEachCustomerAndCounterOnce) {
    BaseEmpresa b(QStringLiteral("imsinclave2"));
    b.ejecuta(QStringLiteral("ALTER TABLE clientes DROP PRIMARY KEY"));
    b.ejecuta(QStringLiteral("ALTER TABLE sistema DROP PRIMARY KEY"));
    QTemporaryDir carpeta;
    std::vector<importacion::ResultadoImportacion> r(2);
    std::vector<std::unique_ptr<host::Conexion>> conexiones;
    std::vector<QString> rutas;
    for (int k = 0; k < 2; ++k) {
        QByteArray bytes;
        for (int i = 0; i < 600; ++i)
            bytes += encabezado(i % 2 ? "A" : "", "C" + QByteArray::number(i % 40),
                                {{2, QByteArray::number(k)}});
        conexiones.push_back(pruebas::conecta(b.nombre()));
        rutas.push_back(archivo(carpeta, bytes, QStringLiteral("p%1.txt").arg(k)));
    }
    pruebas::aLaVez(2,
                    [&](int k) { r[k] = SubePedidos(*conexiones[k], rutas[k], carpeta.path()); });
    EXPECT_EQ(prueba::idsImportados(r).size(), 1200);
    EXPECT_EQ(r[0].clientesNuevos + r[1].clientesNuevos, 40);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT(COUNT(*), ' ', COUNT(DISTINCT Clave)) FROM "
                                     "clientes")),
              QStringLiteral("40 40"));
    EXPECT_EQ(prueba::contadores(b), QStringLiteral("PE-=600,PE-A=600"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT COUNT(DISTINCT Serie, Factura) FROM pedidos")),
              QStringLiteral("1200"));
}
