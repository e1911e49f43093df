#include "ArchivoPrueba.h"
#include "app/Comandos.h"
#include "import/Importacion.h"

#include <QTextStream>
#include <functional>
#include <gtest/gtest.h>

using importacion::SubePedidos;
using pruebas::BaseEmpresa;
using namespace prueba;

namespace {

// These files repeat orders on purpose: each import writes all of its orders.
importacion::ResultadoImportacion importa(BaseEmpresa& b, const QByteArray& bytes,
                                          const importacion::LlamadasImportacion& llamadas = {}) {
    QTemporaryDir carpeta;
    return SubePedidos(b.conexion(), archivo(carpeta, bytes), carpeta.path(), llamadas,
                       {importacion::Importados::Repetir});
}

// The program the commands run in, importing into b from carpeta.
Programa programaDe(BaseEmpresa& b, const QTemporaryDir& carpeta) {
    Programa p;
    *p.bases = pruebas::basesDD();
    p.baseImportar = b.nombre();
    p.carpetaPrograma = carpeta.path();
    return p;
}

} // namespace

TEST(SubePedidos, NewIdsStartAboveTheHighestIdBelow999999999) {
    BaseEmpresa vacia(QStringLiteral("imid0"));
    auto r = importa(vacia, encabezado("A", "C1") + encabezado("A", "C1"));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(vacia.valor(QStringLiteral("SELECT GROUP_CONCAT(Id ORDER BY Id) FROM pedidos")),
              QStringLiteral("1,2"));

    BaseEmpresa b(QStringLiteral("imid"));
    b.ejecuta(QStringLiteral("INSERT INTO pedidos (Id) VALUES (3),(57),(999999999)"));
    r = importa(b, encabezado("A", "C1"));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos WHERE Id=58")), 1);

    // Going past 999999998, Ids in use are skipped like any other.
    b.ejecuta(QStringLiteral("INSERT INTO pedidos (Id) VALUES (999999998),(1000000000)"));
    r = importa(b, encabezado("A", "C1") + encabezado("A", "C1"));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos WHERE Id IN (999999999, 1000000000)")), 2);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT MAX(Id) FROM pedidos")), QStringLiteral("1000000002"));
}

TEST(SubePedidos, EachHeaderDrawsTheNextFreeFolioOfItsTrimmedSeries) {
    BaseEmpresa b(QStringLiteral("imfolio"));
    b.ejecuta(
        QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-A','41'),('PE-','9')"));
    // Folio A-43 is taken although the counter is below it: it is skipped.
    b.ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Serie, Factura) VALUES (100, 'A', 43)"));
    const auto r = importa(b, renglon("P1", "1") + encabezado(" A ", "C1") + renglon("P1", "1") +
                                  encabezado("A", "C1") + encabezado("", "C1") +
                                  encabezado("N", "C1") + encabezado("N", "C1"));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    QStringList vistos;
    for (const importacion::PedidoImportado& p : r.importados)
        vistos << p.texto();
    EXPECT_EQ(
        vistos,
        (QStringList{QStringLiteral("Id 101, folio A-42"), QStringLiteral("Id 102, folio A-44"),
                     QStringLiteral("Id 103, folio 10"), QStringLiteral("Id 104, folio N-1"),
                     QStringLiteral("Id 105, folio N-2")}));
    // The file's Factura (999) never reaches the table; a missing counter is created.
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(Serie,'-',Factura) ORDER BY Id) "
                                     "FROM pedidos WHERE Id>100")),
              QStringLiteral("A-42,A-44,-10,N-1,N-2"));
    EXPECT_EQ(contadores(b), QStringLiteral("PE-=10,PE-A=44,PE-N=2"));
    // The line in front of the first header is dropped and counted.
    EXPECT_EQ(r.renglonesOmitidos, 1);
    EXPECT_EQ(r.renglones, 1);
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidosdetalle WHERE Id=101")), 1);
}

TEST(SubeCliente, KeepsAnExistingCustomerAndCreatesAMissingOneFromItsFirstOrder) {
    BaseEmpresa b(QStringLiteral("imcliente"));
    b.ejecuta(QStringLiteral(
        "INSERT INTO clientes (Clave, Nombre, Precio, FechaRegistro) VALUES ('C1','Viejo',2,"
        "'2020-01-01')"));
    const auto r = importa(b, encabezado("A", "C1") + encabezado("A", "X9") +
                                  encabezado("A", "X9", {{7, "\"Otro nombre\""}}));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.clientesNuevos, 1);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT_WS('|',Nombre,Precio,FechaRegistro) FROM "
                                     "clientes WHERE Clave='C1'")),
              QStringLiteral("Viejo|2|2020-01-01"));
    EXPECT_EQ(b.valor(QStringLiteral(
                  "SELECT CONCAT_WS('|',Clave,Nombre,Atencion,Domicilio,Colonia,CP,Ciudad,"
                  "Estado,Telefono1,RFC,FechaRegistro,UltVta,Telefono2,Telefono3,"
                  "Telefono4,Precio) FROM clientes WHERE Clave='X9'")),
              QStringLiteral("X9|Nombre X9|Sr. Atn|Calle 1|Centro|64000|Monterrey|N. L.|81-1|"
                             "XAXX010101000|2026-01-05|2026-01-05|81-2|81-3||4"));
}

TEST(SubeRenglon, RaisesPorVenderOfItsOwnProductOnlyAndAlwaysInsertsTheLine) {
    BaseEmpresa b(QStringLiteral("imstock"));
    b.ejecuta(QStringLiteral(
        "INSERT INTO productos (Clave, PorVender) VALUES ('A',5),('B',1),('O''Brien',0)"));
    const auto r =
        importa(b, encabezado("A", "C1") + renglon("A", "3") + renglon("Z", "7") +
                       renglon("A", "2.5") + encabezado("A", "C1") + renglon("O'Brien", "1.25") +
                       renglon("x' OR Clave<>'", "100") + renglon("B", "-0.5e0"));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.renglones, 6);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(Clave,'=',PorVender) ORDER BY "
                                     "Clave) FROM productos")),
              QStringLiteral("A=10.5000,B=0.5000,O'Brien=1.2500"));
    // Each line keeps both quantities as read (the file's Pedido is 0.25 on every line).
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT_WS(':',Id,Producto,Cantidad,"
                                     "Pedido) ORDER BY Id, Producto, Cantidad) FROM "
                                     "pedidosdetalle")),
              QStringLiteral("1:A:2.5000:0.2500,1:A:3.0000:0.2500,1:Z:7.0000:0.2500,"
                             "2:B:-0.5000:0.2500,2:O'Brien:1.2500:0.2500,"
                             "2:x' OR Clave<>':100.0000:0.2500"));
}

// Lines left behind by deleted orders keep their Ids taken: the new orders skip them, and
// neither the raise of PorVender nor the preview of it counts them.
TEST(SubeRenglon, LinesOfADeletedOrderAreNotTakenOverNorCountedInStock) {
    BaseEmpresa b(QStringLiteral("imhuerfanos"));
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A',1)"));
    b.conexion().ejecuta(QStringLiteral("INSERT INTO pedidos (Id) VALUES (5)"));
    b.conexion().ejecuta(QStringLiteral(
        "INSERT INTO pedidosdetalle (Id, Producto, Cantidad) VALUES (6,'A',100),(8,'A',1000)"));
    const QByteArray bytes = encabezado("A", "C1") + renglon("A", "2") + renglon("Z", "3") +
                             encabezado("A", "C1") + renglon("A", "0.5");
    QTemporaryDir carpeta;
    const auto revision = SubePedidos(b.conexion(), archivo(carpeta, bytes), carpeta.path(), {},
                                      {importacion::Importados::Repetir, true});
    ASSERT_TRUE(revision.ok) << revision.mensaje.toStdString();
    QStringList cambios;
    for (const importacion::CambioPorVender& c : revision.existencias)
        cambios << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(c.producto, c.existe ? QStringLiteral("si") : QStringLiteral("no"),
                            c.antes, c.despues, c.aumento);
    EXPECT_EQ(cambios.join(QLatin1Char('|')), QStringLiteral("A si 1.0000 3.5000 2.5|Z no   3"));
    const auto r = importa(b, bytes);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(Id ORDER BY Id) FROM pedidos")),
              QStringLiteral("5,7,9"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT PorVender FROM productos")), QStringLiteral("3.5000"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(Id,':',Cantidad) ORDER BY Id, "
                                     "Cantidad) FROM pedidosdetalle")),
              QStringLiteral("6:100.0000,7:2.0000,7:3.0000,8:1000.0000,9:0.5000"));
}

// An order with more lines than one round of statements holds, and more products than
// the stock sums are kept for: every line keeps its own order's Id, every quantity counts.
TEST(SubeRenglon, AnOrderLongerThanARoundKeepsItsIdAndEveryQuantity) {
    BaseEmpresa b(QStringLiteral("imlargo"));
    b.ejecuta(QStringLiteral(
        "INSERT INTO productos (Clave, PorVender) SELECT CONCAT('P', seq), 0 FROM seq_1_to_20100"));
    QByteArray bytes = renglon("P1", "1") + encabezado("A", "C1");
    for (int i = 1; i <= 20100; ++i)
        bytes += renglon("P" + QByteArray::number(i), "1");
    bytes += encabezado("A", "C2") + renglon("P7", "2") + renglon("P8", "3");
    const auto r = importa(b, bytes);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.renglones, 20102);
    EXPECT_EQ(r.renglonesOmitidos, 1);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(Id,':',n) ORDER BY Id) FROM "
                                     "(SELECT Id, COUNT(*) n FROM pedidosdetalle GROUP BY Id) x")),
              QStringLiteral("1:20100,2:2"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT(SUM(PorVender),'/',SUM(PorVender<>1)) FROM "
                                     "productos")),
              QStringLiteral("20105.0000/2"));
}

TEST(SubePedidos, KeepsQuotedTextsAsWrittenAndStoresTheMarkersValues) {
    BaseEmpresa b(QStringLiteral("imvalores"));
    const auto r = importa(b, encabezado("A", "C1",
                                         {{7, "\"#NULL#\""},
                                          {8, "#NULL#"},
                                          {9, "  \"Pe\xF1"
                                              "a, \xBFs\xED?\"x "},
                                          {6, "#2026-03-04#"},
                                          {16, "-1.5e2"},
                                          {34, "#TRUE#"},
                                          {35, "0"}}));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT_WS('|',Nombre,IFNULL(Telefono,'nulo'),"
                                     "Domicilio,Vence,Subtotal,Afectada,Cancelada) FROM pedidos")),
              QString::fromUtf8("#NULL#|nulo|Peña, ¿sí?|2026-03-04|-150.00|1|0"));
}

TEST(SubePedidos, ReadsAUtf8FileAsUtf8WithANoticeAndIgnoresBlankLines) {
    BaseEmpresa b(QStringLiteral("imutf8"));
    const auto ciudad = [](const QByteArray& texto) {
        return encabezado("A", "C1", {{12, "\"" + texto + "\""}});
    };
    const QByteArray utf8 = ciudad("Le\xC3\xB3n"), ansi = ciudad("Le\xF3n");
    auto r =
        importa(b, "\xEF\xBB\xBF\r\n" + utf8 + "\r\n" + renglon("P", "1") + "\r\n \r\n" + utf8);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.pedidos + r.renglones, 3);
    EXPECT_TRUE(r.avisos.join(' ').contains(QStringLiteral("marca de UTF-8")));
    r = importa(b, encabezado("A", "C1") + utf8);
    EXPECT_TRUE(r.avisos.join(' ').contains(QStringLiteral("en la línea 2")));
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos WHERE Ciudad=?"), {QString::fromUtf8("León")}), 3);
    // Any byte that is not UTF-8, even 100 KB further, keeps the whole file in the code page;
    // with the mark, it is refused.
    r = importa(b, ciudad("\xC3\xB3") + encabezado("A", "C1").repeated(400) + ansi);
    EXPECT_TRUE(r.ok && r.avisos.isEmpty());
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos WHERE Ciudad=?"), {QString::fromUtf8("Ã³")}), 1);
    r = importa(b, "\xEF\xBB\xBF" + utf8 + ansi);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("línea 2 no es UTF-8")))
        << r.mensaje.toStdString();
    r = importa(b, "\xFF\xFE" + encabezado("A", "C1"));
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("UTF-16"))) << r.mensaje.toStdString();
}

TEST(SubePedidos, AFileChangedBetweenCheckingAndWritingIsUndone) {
    BaseEmpresa b(QStringLiteral("imcambio"));
    const QByteArray uno = encabezado("A", "C1") + renglon("P", "1");
    // Far more than the rounds the reader may be ahead of the writer (three of 1,000 orders
    // and a read buffer): every change below comes after what it can have read by then.
    const QByteArray bytes = uno.repeated(6000);
    const QString antes = estado(b);
    QTemporaryDir carpeta;
    const std::function<void(QFile&)> cambios[] = {
        [&](QFile& f) { f.resize(uno.size() * 4500); }, // cut between two orders
        [&](QFile& f) { f.seek(f.size()) ? f.write(uno) : 0; },
        [&](QFile& f) {
            f.seek(bytes.indexOf("Calle 1", 5000 * uno.size()) + 6) ? f.write("2") : 0;
        },
    };
    for (const auto& cambia : cambios) {
        const QString ruta = archivo(carpeta, bytes);
        importacion::LlamadasImportacion llamadas;
        // Told of the first order written, once the whole file was checked.
        llamadas.progreso = [&](qint64 n, qint64) {
            QFile f(ruta);
            if (n == 1 && f.open(QIODevice::ReadWrite))
                cambia(f);
        };
        const auto r = SubePedidos(b.conexion(), ruta, carpeta.path(), llamadas);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("cambió mientras")))
            << r.mensaje.toStdString();
        EXPECT_EQ(estado(b), antes);
    }

    // A value that no longer converts, far behind the rows already written.
    const QString ruta = archivo(carpeta, bytes);
    importacion::LlamadasImportacion llamadas;
    llamadas.progreso = [&](qint64 n, qint64) {
        QFile f(ruta);
        if (n == 1 && f.open(QIODevice::ReadWrite) &&
            f.seek(bytes.indexOf(",100.50,", 5000 * uno.size()) + 1))
            f.write("x");
    };
    const auto r = SubePedidos(b.conexion(), ruta, carpeta.path(), llamadas);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("no se leyó igual"))) << r.mensaje.toStdString();
    EXPECT_EQ(estado(b), antes);
}

TEST(SubePedidos, ARefusedFileNamesItsRecordFieldAndValueAndChangesNothing) {
    BaseEmpresa b(QStringLiteral("imrechazo"));
    b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A',5);"));
    b.ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-A','7')"));
    ASSERT_TRUE(importa(b, encabezado("A", "C1") + renglon("A", "1")).ok);
    const QString antes = estado(b);
    const QByteArray bueno = encabezado("A", "C1") + renglon("A", "1");
    struct Caso {
        QByteArray archivo;
        QString debeDecir;
    };
    const Caso casos[] = {
        {bueno + bueno.left(bueno.size() - 10), QStringLiteral("registro de la línea 4")},
        {bueno + renglon("A", "tres"),
         QStringLiteral("línea 3, el campo Cantidad trae el valor \"tres\"")},
        {bueno + renglon("A", "#NULL#"), QStringLiteral("Cantidad")},
        {bueno + renglon("A", "\"\""), QStringLiteral("Cantidad")},
        {bueno + encabezado("A", "C1", {{5, "\"31/feb/2026\""}}), QStringLiteral("campo Fecha")},
        {bueno + encabezado("ABCDEFGHIJK", "C1"), QStringLiteral("campo Serie")},
        {bueno + encabezado("A", "C1", {{40, "300"}}), QStringLiteral("campo Precio")},
        {bueno + encabezado("A", "C1", {{16, "1e15"}}), QStringLiteral("campo Subtotal")},
        {bueno + renglon("A", "1", {{2, "2147483648"}}), QStringLiteral("campo Partida")},
        {bueno + renglon("A", "1", {{18, "1.5"}}), QStringLiteral("campo Cotizacion")},
        // Nothing is rounded, cut or turned into another date on its way in.
        {bueno + encabezado("A", "C1", {{16, "1e309"}}),
         QStringLiteral("campo Subtotal trae el valor \"1e309\", que no cabe")},
        {bueno + encabezado("A", "C1", {{17, "16.085"}}), QStringLiteral("campo IVA")},
        {bueno + renglon("A", "0.00001"), QStringLiteral("campo Cantidad")},
        {bueno + renglon("A", "1", {{18, "99999999999999999999"}}),
         QStringLiteral("campo Cotizacion")},
        {bueno + encabezado("A", "C1", {{6, "#0999-01-01#"}}), QStringLiteral("campo Vence")},
        {bueno + encabezado("A", "C1",
                            {{6, "\"ma\xF1"
                                 "ana\""}}),
         QString::fromUtf8("campo Vence trae el valor \"mañana\", que no es una fecha")},
    };
    for (const Caso& c : casos) {
        const auto r = importa(b, c.archivo);
        EXPECT_FALSE(r.ok) << c.debeDecir.toStdString();
        EXPECT_TRUE(r.mensaje.contains(c.debeDecir)) << r.mensaje.toStdString();
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("No se escribió nada")))
            << r.mensaje.toStdString();
        EXPECT_EQ(r.pedidos, 0);
        EXPECT_EQ(estado(b), antes) << c.debeDecir.toStdString();
    }
}

TEST(SubePedidos, AnEmptyDateIsNullUnlessItsColumnNeedsADate) {
    BaseEmpresa b(QStringLiteral("imfechavacia"));
    // Also at the edge: a series of exactly its column's length in two-byte characters, and
    // decimals beyond the column's that are zeros.
    const QByteArray serie(10, '\xD1');
    const auto r = importa(b, encabezado(serie, "C1", {{6, "\"\""}, {16, "100.5000"}}));
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(b.valor(QStringLiteral("SELECT CONCAT_WS('|',Serie,Fecha,IFNULL(Vence,'nula'),"
                                     "Subtotal) FROM pedidos")),
              QString::fromUtf8("ÑÑÑÑÑÑÑÑÑÑ|2026-01-05|nula|100.50"));

    b.ejecuta(QStringLiteral("DELETE FROM pedidos"));
    b.ejecuta(QStringLiteral("ALTER TABLE pedidos MODIFY Vence DATE NOT NULL"));
    const QString antes = estado(b);
    const auto vacia = importa(b, encabezado("A", "C1") + encabezado("A", "C2", {{6, "\"\""}}));
    EXPECT_FALSE(vacia.ok);
    EXPECT_TRUE(vacia.mensaje.contains(QStringLiteral(
        "línea 2, el campo Vence trae el valor \"\", que está vacío y la columna no admite")))
        << vacia.mensaje.toStdString();
    EXPECT_EQ(estado(b), antes);
}

TEST(SubePedidos, AFailureAfterRowsWereSentUndoesTheWholeImport) {
    BaseEmpresa b(QStringLiteral("imdeshace"));
    b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A',5)"));
    const QString antes = estado(b);
    // Serie is NOT NULL: the server refuses order 650, after whole batches went in.
    QByteArray bytes;
    for (int i = 1; i <= 700; ++i)
        bytes += (i == 650 ? encabezado("A", "C1", {{3, "#NULL#"}}) : encabezado("A", "C1")) +
                 renglon("A", "1");
    auto r = importa(b, bytes);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("se deshizo"))) << r.mensaje.toStdString();
    EXPECT_EQ(estado(b), antes);

    // A cancel halfway leaves nothing either.
    importacion::LlamadasImportacion llamadas;
    qint64 hechos = 0;
    llamadas.progreso = [&](qint64 n, qint64) { hechos = n; };
    llamadas.cancelar = [&] { return hechos >= 600; };
    r = importa(b, encabezado("A", "C1").repeated(700), llamadas);
    EXPECT_TRUE(r.cancelado);
    EXPECT_EQ(estado(b), antes);
}

TEST(ComandoImportar, PrintsEachStoredOrderAndASummary) {
    BaseEmpresa b(QStringLiteral("imcomando"));
    QTemporaryDir carpeta;
    archivo(carpeta, encabezado("A", "C1") + renglon("P", "1") + encabezado("", "C2"),
            QStringLiteral("pedidos.txt"));
    Programa p = programaDe(b, carpeta);
    QString out, err;
    QTextStream salida(&out), errores(&err);
    // The name is completed with ".txt", as the window does.
    EXPECT_EQ(comandos::importar(
                  p, {QStringLiteral("--archivo"), carpeta.filePath(QStringLiteral("pedidos"))},
                  salida, errores),
              0)
        << err.toStdString();
    EXPECT_EQ(out, QStringLiteral("Id 1, folio A-1\nId 2, folio 1\nSe importaron 2 pedidos con 1 "
                                  "renglón; 2 clientes nuevos.\n"));

    out.clear();
    EXPECT_EQ(comandos::importar(
                  p, {QStringLiteral("--archivo"), carpeta.filePath(QStringLiteral("otro"))},
                  salida, errores),
              1);
    EXPECT_TRUE(err.contains(QStringLiteral("No existe el archivo indicado")));
    // A refused file prints no order.
    archivo(carpeta, encabezado("A", "C1") + renglon("P", "x"), QStringLiteral("malo.txt"));
    EXPECT_EQ(comandos::importar(
                  p, {QStringLiteral("--archivo"), carpeta.filePath(QStringLiteral("malo.txt"))},
                  salida, errores),
              1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(comandos::importar(p, {QStringLiteral("--archivo")}, salida, errores), 1);
}

// One order, one line, one new customer: every count the command builds reads in the
// singular, in the import and in its preview, with the verb agreeing.
TEST(ComandoImportar, ASingleOrderLineAndCustomerReadInTheSingular) {
    BaseEmpresa b(QStringLiteral("imsingular"));
    QTemporaryDir carpeta;
    Programa p = programaDe(b, carpeta);
    // A line in front of the first header is skipped: one, also in the singular.
    archivo(carpeta, renglon("P", "2") + encabezado("A", "NUEVO1") + renglon("P", "1"),
            QStringLiteral("uno.txt"));
    const auto corre = [&](QStringList args, QString& out, QString& err) {
        QTextStream salida(&out), errores(&err);
        args.prepend(carpeta.filePath(QStringLiteral("uno.txt")));
        args.prepend(QStringLiteral("--archivo"));
        return comandos::importar(p, args, salida, errores);
    };
    QString out, err;
    ASSERT_EQ(corre({QStringLiteral("--revisar")}, out, err), 0) << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Totales: se importaría 1 pedido con 1 renglón y 1 "
                                            "cliente nuevo; se descartaría 1 renglón antes del "
                                            "primer pedido.")))
        << out.toStdString();
    EXPECT_TRUE(out.endsWith(QStringLiteral("Se importaría 1 pedido con 1 renglón; 1 cliente "
                                            "nuevo. Es una revisión: no se escribió nada en la "
                                            "base de datos \"%1\".\n")
                                 .arg(b.nombre())))
        << out.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Aviso: Se omitiría 1 renglón que estaba antes del "
                                            "primer pedido del archivo.")))
        << err.toStdString();

    out.clear();
    err.clear();
    ASSERT_EQ(corre({}, out, err), 0) << err.toStdString();
    EXPECT_EQ(out, QStringLiteral("Id 1, folio A-1\nSe importó 1 pedido con 1 renglón; 1 cliente "
                                  "nuevo.\n"));
    EXPECT_TRUE(err.contains(QStringLiteral("Aviso: Se omitió 1 renglón que estaba antes del "
                                            "primer pedido del archivo.")))
        << err.toStdString();

    // The same file again, its only order skipped as imported before.
    out.clear();
    err.clear();
    ASSERT_EQ(corre({QStringLiteral("--omitir-importados")}, out, err), 0) << err.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("No se importó ningún pedido: el único pedido del "
                                            "archivo ya se había importado")))
        << out.toStdString();
}

// A saved report given for a transfer file: told as that, in plain Spanish, with the counts
// on a "Detalle:" line for whoever supports the clerk; nothing written, not even a journal
// row of orders.
TEST(ComandoImportar, AFileThatIsNoTransferFileSaysSoWithTheCountsOnTheDetailLine) {
    BaseEmpresa b(QStringLiteral("imajeno"));
    QTemporaryDir carpeta;
    Programa p = programaDe(b, carpeta);
    archivo(carpeta, "Informe de la importación\r\nFolio\tId\r\nA-1\t301\r\n",
            QStringLiteral("informe.txt"));
    QString out, err;
    QTextStream salida(&out), errores(&err);
    EXPECT_EQ(comandos::importar(
                  p, {QStringLiteral("--archivo"), carpeta.filePath(QStringLiteral("informe.txt"))},
                  salida, errores),
              1);
    const QStringList lineas = err.trimmed().split(u'\n');
    ASSERT_EQ(lineas.size(), 2) << err.toStdString();
    EXPECT_TRUE(lineas[0].startsWith(QStringLiteral("Este archivo no es un archivo de pedidos "
                                                    "exportado")));
    EXPECT_TRUE(lineas[0].endsWith(QStringLiteral("No se importó nada.")));
    EXPECT_EQ(lineas[1], QStringLiteral("Detalle: 3 líneas leídas, 1 registro sin ningún "
                                        "encabezado de pedido; la primera línea trae 1 campo, "
                                        "un encabezado trae 40 y un renglón 21"));
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 0);
}
