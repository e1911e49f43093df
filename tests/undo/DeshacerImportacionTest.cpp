#include "ArchivoPrueba.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"
#include "support/OrdenPrueba.h"
#include "undo/ComandoDeshacer.h"
#include "undo/Deshacer.h"

#include <gtest/gtest.h>

using deshacer::DeshaceCorrida;
using deshacer::OpcionesDeshacer;
using importacion::SubePedidos;
using pruebas::BaseEmpresa;
using namespace prueba;

namespace {

// The host system's tables an import changes, its folio counters apart.
QString datos(BaseEmpresa& b) {
    QStringList partes;
    for (auto rs = b.conexion().consulta(
             QStringLiteral("CHECKSUM TABLE pedidos, pedidosdetalle, clientes, productos"));
         !rs->eof(); rs->MoveNext())
        partes << rs->texto(1);
    return partes.join(QLatin1Char(' '));
}

// An import database with stock and one customer of its own, and a file of three orders:
// customers C1 (there already), C2 and C3 (created by the import).
struct Importada {
    BaseEmpresa b{QStringLiteral("deshimp")};
    QTemporaryDir carpeta;
    QString ruta;
    Programa programa;
    QString antes;
    qint64 corrida = 0;

    // antesDeImportar: a statement run on the database before the import.
    explicit Importada(const QString& antesDeImportar = {}) {
        b.ejecuta(
            QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A',2),('B',5)"));
        b.ejecuta(QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES ('C1','Uno')"));
        if (!antesDeImportar.isEmpty())
            b.ejecuta(antesDeImportar);
        ruta = archivo(carpeta, encabezado("A", "C1") + renglon("A", "1.5") + renglon("B", "2") +
                                    encabezado("A", "C2") + renglon("A", "3") +
                                    encabezado("", "C3") + renglon("B", "4"));
        *programa.bases = pruebas::basesDD(b.nombre());
        programa.baseImportar = b.nombre();
        antes = datos(b);
        const auto r = SubePedidos(b.conexion(), ruta, carpeta.path());
        EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
        corrida = r.corrida;
    }
    pruebas::Salida deshace(QStringList mas = {}) {
        return pruebas::corre(comandos::deshacer, programa,
                              QStringList{QStringLiteral("--corrida"), QString::number(corrida)} +
                                  mas);
    }
};

// Each text is in what the command printed.
void diceTodo(const QString& salida, std::initializer_list<QString> textos) {
    for (const QString& t : textos)
        EXPECT_TRUE(salida.contains(t)) << t.toStdString() << "\n---\n" << salida.toStdString();
}

} // namespace

// The undo takes away exactly what the import brought: orders, lines, the stock it raised
// and the customers it created. The folios it gave stay used; the file can come in again
// without --repetir, and a second undo finds nothing left.
TEST(DeshacerImportacion, LeavesTheDataAsBeforeTheImportAndTheFileImportableAgain) {
    Importada i;
    const QString contadores = prueba::contadores(i.b);
    ASSERT_NE(datos(i.b), i.antes);

    const pruebas::Salida s = i.deshace();
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString();
    EXPECT_EQ(datos(i.b), i.antes);
    EXPECT_EQ(prueba::contadores(i.b), contadores);
    EXPECT_TRUE(s.salida.contains(QStringLiteral("Pedidos que se quitaron:\n  A-1 (Id 1), 2 "
                                                 "renglones\n")))
        << s.salida.toStdString();
    EXPECT_TRUE(s.salida.contains(QStringLiteral("Clientes que se quitaron:\n  C2\n  C3\n")))
        << s.salida.toStdString();
    EXPECT_TRUE(s.salida.contains(QStringLiteral("  %1 A: 6.5000 → 2.0000").arg(i.b.nombre())))
        << s.salida.toStdString();
    EXPECT_TRUE(
        s.salida.contains(QStringLiteral("Se deshizo la corrida %1 (importación)").arg(i.corrida)))
        << s.salida.toStdString();

    // Recorded: the undo is a run naming the one it undid, which shows as undone.
    bitacora::Seleccion sel;
    sel.corrida = i.corrida;
    const auto original = bitacora::ConsultasBitacora::corridas(i.b.conexion(), sel);
    ASSERT_EQ(original.size(), 1);
    EXPECT_EQ(bitacora::textoDesenlace(original[0]),
              QStringLiteral("Deshecha (corrida %1)").arg(i.corrida + 1));
    sel.corrida = i.corrida + 1;
    const auto undo = bitacora::ConsultasBitacora::corridas(i.b.conexion(), sel);
    ASSERT_EQ(undo.size(), 1);
    EXPECT_EQ(undo[0].operacion, bitacora::Operacion::Deshacer);
    EXPECT_EQ(undo[0].parametros.deshace, i.corrida);
    EXPECT_EQ(undo[0].cuentas.pedidos, 3);
    EXPECT_EQ(bitacora::ConsultasBitacora::pedidos(i.b.conexion(), i.corrida + 1).size(), 3);

    const pruebas::Salida otra = i.deshace();
    EXPECT_EQ(otra.estado, 0) << otra.errores.toStdString();
    EXPECT_TRUE(otra.salida.startsWith(QStringLiteral("No hay nada que deshacer")))
        << otra.salida.toStdString();
    EXPECT_EQ(datos(i.b), i.antes);

    const auto otraVez = SubePedidos(i.b.conexion(), i.ruta, i.carpeta.path());
    EXPECT_TRUE(otraVez.ok) << otraVez.mensaje.toStdString();
    EXPECT_EQ(otraVez.pedidos, 3);
    EXPECT_TRUE(otraVez.yaImportados.isEmpty());
    // New folios: those of the undone orders stay used.
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Factura ORDER BY Id) FROM pedidos")),
              QStringLiteral("3,4,2"));
}

// A product deleted since the import cannot be lowered: the undo says so where it reports,
// and lowers the others.
TEST(DeshacerImportacion, AProductDeletedSinceTheImportIsToldAndTheOthersLowered) {
    Importada i;
    i.b.ejecuta(QStringLiteral("DELETE FROM productos WHERE Clave='B'"));
    const pruebas::Salida s = i.deshace();
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString();
    const QString aviso = QStringLiteral("El producto B no está en la tabla productos de la base "
                                         "de datos \"%1\": su PorVender no se cambió.")
                              .arg(i.b.nombre());
    diceTodo(s.errores, {QStringLiteral("Aviso: ") + aviso});
    diceTodo(s.salida, {QStringLiteral("  %1 A: 6.5000 → 2.0000").arg(i.b.nombre())});
    EXPECT_FALSE(s.salida.contains(QStringLiteral(" B: "))) << s.salida.toStdString();
    bitacora::Seleccion sel;
    sel.corrida = i.corrida + 1;
    const auto undo = bitacora::ConsultasBitacora::corridas(i.b.conexion(), sel);
    ASSERT_EQ(undo.size(), 1);
    EXPECT_TRUE(undo[0].mensaje.contains(aviso)) << undo[0].mensaje.toStdString();
}

// A customer the import created that another order now uses stays; so does an order
// someone invoiced after the import, refused by default and left with --parcial.
TEST(DeshacerImportacion, RefusesChangedOrdersUnlessPartialAndKeepsCustomersInUse) {
    Importada i;
    i.b.ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Serie, Factura, Cliente) VALUES "
                               "(50, 'Z', 1, 'C3')"));
    // The sales system invoices part of the second order.
    i.b.ejecuta(QStringLiteral("UPDATE pedidosdetalle SET Facturado=1, Pedido=Pedido-1 WHERE "
                               "Id=2"));
    const QString cambiados = datos(i.b);

    const pruebas::Salida rechazo = i.deshace();
    EXPECT_EQ(rechazo.estado, 1);
    EXPECT_TRUE(
        rechazo.errores.contains(QStringLiteral("No se deshizo la corrida %1").arg(i.corrida)))
        << rechazo.errores.toStdString();
    EXPECT_TRUE(rechazo.salida.contains(QStringLiteral("  A-2 (Id 2): se modificó después de la "
                                                       "corrida")))
        << rechazo.salida.toStdString();
    EXPECT_EQ(datos(i.b), cambiados);

    const pruebas::Salida parcial = i.deshace({QStringLiteral("--parcial")});
    ASSERT_EQ(parcial.estado, 0) << parcial.errores.toStdString();
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Id ORDER BY Id) FROM pedidos")),
              QStringLiteral("2,50"));
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Clave ORDER BY Clave) FROM clientes")),
              QStringLiteral("C1,C2,C3"));
    EXPECT_TRUE(parcial.salida.contains(QStringLiteral("Clientes que se quitaron:")) == false)
        << parcial.salida.toStdString();
    // Kept, and told so: the report would otherwise count fewer customers than the run made.
    diceTodo(parcial.salida,
             {QStringLiteral("Clientes que se dejaron como están:\n  C2: lo usan otros "
                             "pedidos\n  C3: lo usan otros pedidos\n"),
              QStringLiteral("Se dejaron 2 clientes que la corrida creó y que otros pedidos "
                             "usan.")});
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Clave, '=', PorVender ORDER BY Clave) "
                                       "FROM productos")),
              QStringLiteral("A=5.0000,B=5.0000"));
    bitacora::Seleccion sel;
    sel.corrida = i.corrida;
    EXPECT_EQ(bitacora::textoDesenlace(
                  bitacora::ConsultasBitacora::corridas(i.b.conexion(), sel).value(0)),
              QStringLiteral("Deshecha en parte (corrida %1)").arg(i.corrida + 2));
    // What was left is still refused whole, and the file's orders left still count.
    EXPECT_EQ(i.deshace().estado, 1);
    EXPECT_TRUE(SubePedidos(i.b.conexion(), i.ruta, i.carpeta.path()).rechazadoPorImportados);
}

// The preview runs the whole undo and rolls it back: nothing changes, and the undo that
// follows does just what it showed.
TEST(DeshacerImportacion, APreviewChangesNothingAndAgreesWithTheUndoThatFollows) {
    Importada i;
    const QString antes = estado(i.b);
    const QString bitacora = i.b.valor(
        QStringLiteral("SELECT COUNT(*) FROM %1").arg(bitacora::EsquemaBitacora::tablaCorridas()));
    OpcionesDeshacer opciones;
    opciones.corrida = i.corrida;
    opciones.revisar = true;
    const auto revision = DeshaceCorrida(i.b.conexion(), opciones);
    ASSERT_TRUE(revision.ok) << revision.mensaje.toStdString();
    EXPECT_TRUE(revision.mensaje.endsWith(QStringLiteral("Es una revisión: no se escribió nada.")));
    EXPECT_EQ(estado(i.b), antes);
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT COUNT(*) FROM %1")
                            .arg(bitacora::EsquemaBitacora::tablaCorridas())),
              bitacora);

    opciones.revisar = false;
    const auto hecho = DeshaceCorrida(i.b.conexion(), opciones);
    ASSERT_TRUE(hecho.ok) << hecho.mensaje.toStdString();
    QStringList visto = revision.informe(), hechoInforme = hecho.informe();
    for (QString& l : visto)
        l.replace(QStringLiteral("quitarían"), QStringLiteral("quitaron"));
    EXPECT_EQ(visto, hechoInforme);
}

// A customer the import created and someone completed since is theirs now: the undo keeps
// it and says so. One a trigger changed as it went in counts as the import stored it.
TEST(DeshacerImportacion, ACustomerChangedSinceTheImportIsKept) {
    Importada i(QStringLiteral("CREATE TRIGGER correo BEFORE INSERT ON clientes FOR EACH ROW "
                               "SET NEW.Email='alta@ejemplo.mx'"));
    i.b.ejecuta(QStringLiteral("UPDATE clientes SET Telefono1='81-5550123' WHERE Clave='C2'"));
    const pruebas::Salida s = i.deshace();
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString();
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Clave ORDER BY Clave) FROM clientes")),
              QStringLiteral("C1,C2"));
    EXPECT_EQ(i.b.cuenta(QStringLiteral("pedidos")), 0);
    diceTodo(s.salida, {QStringLiteral("Clientes que se quitaron:\n  C3\nClientes que se "
                                       "dejaron como están:\n  C2: cambió después de la "
                                       "corrida\n"),
                        QStringLiteral("Se dejó 1 cliente que la corrida creó y que cambió "
                                       "después.")});
}

// A journal of the layout before keeps working for a user who may not add the customers'
// digest (nothing is compared for its customers, as for runs recorded before), and the next
// run by a user who may gets it.
TEST(DeshacerImportacion, AJournalWithoutTheCustomersDigestIsUsedAndThenUpgraded) {
    Importada i;
    using bitacora::EsquemaBitacora;
    i.b.ejecuta(
        QStringLiteral("ALTER TABLE %1 DROP COLUMN Resumen").arg(EsquemaBitacora::tablaClientes()));
    i.b.ejecuta(
        QStringLiteral("UPDATE %1 SET Version=3 WHERE Id=1").arg(EsquemaBitacora::tablaVersion()));
    const pruebas::UsuarioSinCrear usuario(i.b.nombre());
    auto c = host::Conexion::abrir(usuario.parametros());
    const auto limitado =
        SubePedidos(*c, archivo(i.carpeta, encabezado("A", "C7") + renglon("A", "1"), "b.txt"),
                    i.carpeta.path());
    ASSERT_TRUE(limitado.ok) << limitado.mensaje.toStdString();
    EXPECT_TRUE(limitado.avisoBitacora.isEmpty()) << limitado.avisoBitacora.toStdString();
    EXPECT_EQ(EsquemaBitacora::versionGuardada(i.b.conexion()), 3);
    EXPECT_EQ(i.b.cuenta(EsquemaBitacora::tablaClientes() + QStringLiteral(" WHERE Clave='C7'")),
              1);

    const auto pleno = SubePedidos(
        i.b.conexion(), archivo(i.carpeta, encabezado("A", "C8") + renglon("A", "1"), "c.txt"),
        i.carpeta.path());
    ASSERT_TRUE(pleno.ok) << pleno.mensaje.toStdString();
    EXPECT_EQ(EsquemaBitacora::versionGuardada(i.b.conexion()), EsquemaBitacora::version);
    EXPECT_EQ(i.b.cuenta(EsquemaBitacora::tablaClientes() +
                         QStringLiteral(" WHERE Clave='C8' AND Resumen IS NOT NULL")),
              1);
}

// What cannot be undone says why and writes nothing.
TEST(DeshacerImportacion, ExportsRunsOfEarlierVersionsAndUnknownRunsAreRefusedWithTheReason) {
    Importada i;
    i.b.ejecuta(QStringLiteral("INSERT INTO %1 (Operacion, Inicio, Desenlace, Deshacible) VALUES "
                               "('exportacion', NOW(), 'hecha', 0), ('importacion', NOW(), "
                               "'hecha', 0)")
                    .arg(bitacora::EsquemaBitacora::tablaCorridas()));
    OpcionesDeshacer opciones;
    opciones.corrida = i.corrida + 1;
    auto r = DeshaceCorrida(i.b.conexion(), opciones);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("es una exportación")))
        << r.mensaje.toStdString();
    opciones.corrida = i.corrida + 2;
    r = DeshaceCorrida(i.b.conexion(), opciones);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("versión anterior del programa")))
        << r.mensaje.toStdString();
    const pruebas::Salida s = pruebas::corre(comandos::deshacer, i.programa,
                                             {QStringLiteral("--corrida"), QStringLiteral("99")});
    EXPECT_EQ(s.estado, 1);
    EXPECT_TRUE(s.errores.contains(QStringLiteral("No hay corrida 99"))) << s.errores.toStdString();
    EXPECT_EQ(pruebas::corre(comandos::deshacer, i.programa,
                             {QStringLiteral("--corrida"), QStringLiteral("x")})
                  .estado,
              1);
}

// A journal a newer program marked as one older copies must not write: an older copy
// neither undoes nor imports there, preview included, and writes nothing. A newer layout
// that it may still write is used as it is, its version row kept.
TEST(DeshacerImportacion, AJournalOfANewerProgramIsNeitherUndoneNorImportedInto) {
    Importada i;
    const QString version = bitacora::EsquemaBitacora::tablaVersion();
    const QString corridas = bitacora::EsquemaBitacora::tablaCorridas();
    i.b.ejecuta(QStringLiteral("INSERT INTO %1 (Id, Version) VALUES (1, 9), (2, 9) ON "
                               "DUPLICATE KEY UPDATE Version=VALUES(Version)")
                    .arg(version));
    const QString hecho = datos(i.b);
    const qint64 anotadas = i.b.cuenta(corridas);
    const QString motivo =
        QStringLiteral("La bitácora de la base de datos \"%1\" es de una versión más nueva de "
                       "este programa, que esta copia no sabe escribir sin dañarla (la bitácora "
                       "pide la versión 9 de su formato o una posterior; esta copia conoce hasta "
                       "la %2).")
            .arg(i.b.nombre())
            .arg(bitacora::EsquemaBitacora::version);
    for (const bool revisar : {false, true}) {
        OpcionesDeshacer deshacer;
        deshacer.corrida = i.corrida;
        deshacer.revisar = revisar;
        const auto r = DeshaceCorrida(i.b.conexion(), deshacer);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.contains(motivo)) << r.mensaje.toStdString();
        EXPECT_TRUE(r.mensaje.endsWith(QStringLiteral("No se escribió nada.")))
            << r.mensaje.toStdString();
        importacion::OpcionesImportacion importar;
        importar.revisar = revisar;
        const auto otra = SubePedidos(
            i.b.conexion(), archivo(i.carpeta, encabezado("A", "C9") + renglon("A", "1"), "b.txt"),
            i.carpeta.path(), {}, importar);
        EXPECT_FALSE(otra.ok);
        EXPECT_TRUE(otra.mensaje.contains(motivo)) << otra.mensaje.toStdString();
    }
    EXPECT_EQ(datos(i.b), hecho);
    EXPECT_EQ(i.b.cuenta(corridas), anotadas);

    i.b.ejecuta(QStringLiteral("DELETE FROM %1 WHERE Id=2").arg(version));
    const auto nueva =
        SubePedidos(i.b.conexion(), i.carpeta.filePath(QStringLiteral("b.txt")), i.carpeta.path());
    EXPECT_TRUE(nueva.ok) << nueva.mensaje.toStdString();
    EXPECT_TRUE(nueva.avisoBitacora.isEmpty()) << nueva.avisoBitacora.toStdString();
    EXPECT_EQ(bitacora::EsquemaBitacora::versionGuardada(i.b.conexion()), 9);
}

// Two undos of one run at once: the second waits for the first's locks on the run's rows,
// then finds every order undone; the data is undone once.
TEST(DeshacerImportacion, TwoUndosOfOneRunAtOnceUndoItOnce) {
    Importada i;
    std::vector<deshacer::ResultadoDeshacer> r(2);
    pruebas::aLaVez(2, [&](int k) {
        auto conexion = host::Conexion::abrir(pruebas::parametros(i.b.nombre()));
        OpcionesDeshacer opciones;
        opciones.corrida = i.corrida;
        r[std::size_t(k)] = DeshaceCorrida(*conexion, opciones);
    });
    ASSERT_TRUE(r[0].ok) << r[0].mensaje.toStdString();
    ASSERT_TRUE(r[1].ok) << r[1].mensaje.toStdString();
    EXPECT_EQ(r[0].quitados.size() + r[1].quitados.size(), 3);
    EXPECT_TRUE(r[0].nadaQueDeshacer != r[1].nadaQueDeshacer);
    EXPECT_EQ(datos(i.b), i.antes);
}

// Another user holds one of the run's orders: the undo waits its bounded time, tries once
// more, then says who was in the way and leaves everything as it was.
TEST(DeshacerImportacion, AnOrderLockedByAnotherUserStopsTheUndoWithNothingWritten) {
    Importada i;
    const QString antes = datos(i.b);
    auto otro = host::Conexion::abrir(pruebas::parametros(i.b.nombre()));
    host::Transaccion bloqueo(*otro);
    otro->consulta(QStringLiteral("SELECT * FROM pedidosdetalle WHERE Id=2 FOR UPDATE"));
    qputenv("ACUMULA_ESPERA_BLOQUEO", "1");
    OpcionesDeshacer opciones;
    opciones.corrida = i.corrida;
    const auto r =
        DeshaceCorrida(*host::Conexion::abrir(pruebas::parametros(i.b.nombre())), opciones);
    qunsetenv("ACUMULA_ESPERA_BLOQUEO");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("otro usuario u operación ocupaba los mismos "
                                                  "datos, y se intentó 2 veces")))
        << r.mensaje.toStdString();
    EXPECT_TRUE(r.mensaje.contains(QStringLiteral("No se deshizo nada")))
        << r.mensaje.toStdString();
    EXPECT_EQ(datos(i.b), antes);
}

// Lines left without their order hold Id 2, so the import skips it: its orders are 1, 3 and
// 4. Someone deletes order 3 by hand. The undo with --parcial takes orders 1 and 4 and
// nothing between them, and lowers the stock by their lines alone.
TEST(DeshacerImportacion, IdsWithGapsAndAnOrderDeletedByHandTakeOnlyWhatIsLeftOfTheRun) {
    Importada i(QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, Cantidad, "
                               "Pedido) VALUES (2, 1, 'A', 7, 7)"));
    ASSERT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Id ORDER BY Id) FROM pedidos")),
              QStringLiteral("1,3,4"));
    i.b.ejecuta(QStringLiteral("DELETE FROM pedidosdetalle WHERE Id=3"));
    i.b.ejecuta(QStringLiteral("DELETE FROM pedidos WHERE Id=3"));

    EXPECT_EQ(i.deshace().estado, 1);
    const pruebas::Salida s = i.deshace({QStringLiteral("--parcial")});
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString();
    EXPECT_TRUE(s.salida.contains(QStringLiteral("  A-2 (Id 3): ya no existe")))
        << s.salida.toStdString();
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT COUNT(*) FROM pedidos")), QStringLiteral("0"));
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Id, ':', Cantidad) FROM "
                                       "pedidosdetalle")),
              QStringLiteral("2:7.0000"));
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(Clave, '=', PorVender ORDER BY Clave) "
                                       "FROM productos")),
              QStringLiteral("A=5.0000,B=5.0000"));
    // The journal's row of the order deleted by hand is not marked as undone.
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT GROUP_CONCAT(IdNuevo ORDER BY IdNuevo) FROM %1 "
                                       "WHERE Corrida=%2 AND DeshechoPor IS NULL")
                            .arg(bitacora::EsquemaBitacora::tablaPedidos())
                            .arg(i.corrida)),
              QStringLiteral("3"));
}

// A file imported twice: undoing the second run leaves its orders counted once, so the file
// is still refused as imported; undoing the first too lets it in again.
TEST(DeshacerImportacion, AFileImportedTwiceCountsOnceLessForEachUndo) {
    Importada i;
    importacion::OpcionesImportacion otraVez;
    otraVez.importados = importacion::Importados::Repetir;
    const auto segunda = SubePedidos(i.b.conexion(), i.ruta, i.carpeta.path(), {}, otraVez);
    ASSERT_TRUE(segunda.ok) << segunda.mensaje.toStdString();
    const QString veces = QStringLiteral("SELECT GROUP_CONCAT(Veces) FROM %1")
                              .arg(bitacora::EsquemaBitacora::tablaHuellas());
    EXPECT_EQ(i.b.valor(veces), QStringLiteral("2,2,2"));

    const pruebas::Salida s =
        pruebas::corre(comandos::deshacer, i.programa,
                       {QStringLiteral("--corrida"), QString::number(segunda.corrida)});
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString();
    EXPECT_EQ(i.b.valor(veces), QStringLiteral("1,1,1"));
    EXPECT_TRUE(SubePedidos(i.b.conexion(), i.ruta, i.carpeta.path()).rechazadoPorImportados);

    ASSERT_EQ(i.deshace().estado, 0);
    EXPECT_EQ(i.b.valor(QStringLiteral("SELECT COUNT(*) FROM %1")
                            .arg(bitacora::EsquemaBitacora::tablaHuellas())),
              QStringLiteral("0"));
    EXPECT_EQ(datos(i.b), i.antes);
}

// A run larger than one statement's share of orders: the report still gives each product
// once, from what it was before the undo to what it is after.
TEST(DeshacerImportacion, ALargeRunReportsEachProductOnce) {
    BaseEmpresa b(QStringLiteral("deshgrande"));
    b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A',2)"));
    QByteArray bytes;
    constexpr int pedidos = 12000;
    int subida = 0;
    for (int k = 0; k < pedidos; ++k) {
        bytes += encabezado("A", "C1") + renglon("A", QByteArray::number(k % 7 + 1));
        subida += k % 7 + 1;
    }
    QTemporaryDir carpeta;
    const auto importada = SubePedidos(b.conexion(), archivo(carpeta, bytes), carpeta.path());
    ASSERT_TRUE(importada.ok) << importada.mensaje.toStdString();

    OpcionesDeshacer opciones;
    opciones.corrida = importada.corrida;
    const auto r = DeshaceCorrida(b.conexion(), opciones);
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.quitados.size(), pedidos);
    ASSERT_EQ(r.existencias.size(), 1);
    EXPECT_EQ(r.existencias[0].antes, QStringLiteral("%1.0000").arg(2 + subida));
    EXPECT_EQ(r.existencias[0].despues, QStringLiteral("2.0000"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT PorVender FROM productos")), QStringLiteral("2.0000"));
}

// An import database laid out otherwise (columns elsewhere, one of its own, some missing):
// the undo still leaves its tables exactly as before the import.
TEST(DeshacerImportacion, ATableLaidOutOtherwiseIsLeftAsBefore) {
    BaseEmpresa b{QStringLiteral("deshforma")};
    b.ejecuta(QStringLiteral(
        "ALTER TABLE pedidos MODIFY Telefono VARCHAR(30) NULL AFTER Cliente, MODIFY Sucursal "
        "VARCHAR(10) NULL FIRST, ADD COLUMN Ruta VARCHAR(10) NULL DEFAULT 'R9' AFTER Fecha, "
        "DROP COLUMN Capturado"));
    b.ejecuta(QStringLiteral("ALTER TABLE pedidosdetalle MODIFY Almacen VARCHAR(10) NULL FIRST, "
                             "MODIFY Cantidad DECIMAL(18,4) NULL AFTER Almacen, ADD COLUMN Color "
                             "VARCHAR(10) NULL DEFAULT 'rojo' AFTER Producto, DROP COLUMN "
                             "Entrega"));
    b.ejecuta(QStringLiteral("ALTER TABLE clientes ADD COLUMN Zona INT NULL FIRST"));
    b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A',2),('B',5)"));
    b.ejecuta(QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES ('C1','Uno')"));
    QTemporaryDir carpeta;
    const QString ruta =
        archivo(carpeta, encabezado("A", "C1") + renglon("A", "1.5") + renglon("B", "2") +
                             encabezado("", "C2") + renglon("B", "4"));
    const QString antes = datos(b);
    const auto r = SubePedidos(b.conexion(), ruta, carpeta.path());
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    ASSERT_NE(datos(b), antes);

    Programa programa;
    *programa.bases = pruebas::basesDD(b.nombre());
    programa.baseImportar = b.nombre();
    const pruebas::Salida s = pruebas::corre(
        comandos::deshacer, programa, {QStringLiteral("--corrida"), QString::number(r.corrida)});
    ASSERT_EQ(s.estado, 0) << s.errores.toStdString() << s.salida.toStdString();
    EXPECT_EQ(datos(b), antes);
}
