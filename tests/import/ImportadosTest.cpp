#include "ArchivoPrueba.h"
#include "app/Comandos.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"

#include <QCryptographicHash>
#include <QTextStream>
#include <gtest/gtest.h>

using bitacora::Bitacora;
using bitacora::EstadoCorrida;
using importacion::Importados;
using importacion::SubePedidos;
using pruebas::BaseEmpresa;
using namespace prueba;

namespace {

// The checksum of every table of the database, the journal's included.
QString todasLasTablas(BaseEmpresa& b) {
    QStringList tablas;
    for (auto rs = b.conexion().consulta(QStringLiteral("SHOW TABLES")); !rs->eof(); rs->MoveNext())
        tablas << host::Conexion::identificador(rs->texto(0));
    QStringList partes;
    for (auto rs = b.conexion().consulta(QStringLiteral("CHECKSUM TABLE ") + tablas.join(','));
         !rs->eof(); rs->MoveNext())
        partes << rs->texto(0).section('.', 1) + '=' + rs->texto(1);
    return partes.join(' ');
}

struct Orden {
    Programa programa;
    QString out, err;
    int operator()(const QStringList& argumentos) {
        out.clear();
        err.clear();
        QTextStream salida(&out), errores(&err);
        return comandos::importar(programa, argumentos, salida, errores);
    }
};

} // namespace

// Orders are known by their records as the file holds them, whatever the line ends or the
// blanks in front of fields; an order with another source folio is another order.
TEST(ComandoImportar, RefusesOrdersImportedBeforeUnlessToldToSkipOrRepeatThem) {
    BaseEmpresa b(QStringLiteral("imrepetido"));
    QTemporaryDir carpeta;
    const QByteArray viejos = encabezado("A", "C1") + renglon("P", "1") + encabezado("A", "C2") +
                              encabezado("B", "C3") + renglon("P", "2");
    QByteArray otraForma = viejos;
    otraForma.replace("\r\n", "\n").replace(",", ",  ");
    const QString rutaViejos = archivo(carpeta, viejos, QStringLiteral("viejos.txt"));
    const QString mezcla = archivo(carpeta,
                                   otraForma + encabezado("A", "C4") + renglon("P", "5") +
                                       encabezado("A", "C1", {{2, "1000"}}),
                                   QStringLiteral("mezcla.txt"));
    Orden importar;
    *importar.programa.bases = pruebas::basesDD();
    importar.programa.baseImportar = b.nombre();
    importar.programa.carpetaPrograma = carpeta.path();
    ASSERT_EQ(importar({QStringLiteral("--archivo"), rutaViejos}), 0) << importar.err.toStdString();

    const QString antes = estado(b);
    EXPECT_EQ(importar({QStringLiteral("--archivo"), mezcla}), 1);
    EXPECT_TRUE(importar.err.contains(
        QStringLiteral("trae 3 pedidos que ya se importaron a la base de datos \"%1\" el %2")
            .arg(b.nombre(), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")))))
        << importar.err.toStdString();
    EXPECT_TRUE(importar.err.contains(QStringLiteral("línea 1, pedido A-999 del archivo: es el "
                                                     "Id 1, folio A-1")))
        << importar.err.toStdString();
    EXPECT_TRUE(importar.err.contains(QStringLiteral("--omitir-importados")));
    EXPECT_TRUE(importar.out.isEmpty());
    EXPECT_EQ(estado(b), antes);

    EXPECT_EQ(
        importar({QStringLiteral("--archivo"), mezcla, QStringLiteral("--omitir-importados")}), 0);
    EXPECT_EQ(importar.out,
              QStringLiteral("Id 4, folio A-3\nId 5, folio A-4\nSe importaron 2 pedidos con 1 "
                             "renglón; 1 cliente nuevo. Se omitieron 3 pedidos que ya se "
                             "habían importado.\n"));
    EXPECT_EQ(
        importar({QStringLiteral("--archivo"), mezcla, QStringLiteral("--omitir-importados")}), 0);
    EXPECT_TRUE(importar.out.startsWith(QStringLiteral(
        "No se importó ningún pedido: los 5 pedidos del archivo ya se habían importado")))
        << importar.out.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")) * 10 + b.cuenta(QStringLiteral("pedidosdetalle")),
              53);

    EXPECT_EQ(importar({QStringLiteral("--archivo"), rutaViejos, QStringLiteral("--repetir")}), 0);
    EXPECT_TRUE(importar.out.endsWith(QStringLiteral("Se importaron 3 pedidos con 2 renglones; 0 "
                                                     "clientes nuevos. 3 de ellos ya se habían "
                                                     "importado antes.\n")))
        << importar.out.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 8);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(Veces ORDER BY Veces) FROM %1")
                          .arg(bitacora::EsquemaBitacora::tablaHuellas())),
              QStringLiteral("1,1,2,2,2"));
    EXPECT_EQ(importar({QStringLiteral("--archivo"), rutaViejos, QStringLiteral("--repetir"),
                        QStringLiteral("--omitir-importados")}),
              1);
}

// The register counts an order the file holds twice as imported twice, by the run that
// brought it; a later import of it is refused and leaves those counts as they were.
TEST(ComandoImportar, AnOrderTheFileHoldsTwiceCountsTwiceInTheRegister) {
    BaseEmpresa b(QStringLiteral("imgemelo"));
    QTemporaryDir carpeta;
    const QByteArray gemelo = encabezado("A", "C1") + renglon("P", "1");
    const QString ruta =
        archivo(carpeta, gemelo + encabezado("A", "C2") + gemelo, QStringLiteral("gemelos.txt"));
    Orden importar;
    *importar.programa.bases = pruebas::basesDD();
    importar.programa.baseImportar = b.nombre();
    importar.programa.carpetaPrograma = carpeta.path();
    const auto registro = [&] {
        return b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(Veces, ':', PrimeraCorrida, "
                                      "':', UltimaCorrida) ORDER BY Veces) FROM %1")
                           .arg(bitacora::EsquemaBitacora::tablaHuellas()));
    };
    ASSERT_EQ(importar({QStringLiteral("--archivo"), ruta}), 0) << importar.err.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 3);
    EXPECT_EQ(registro(), QStringLiteral("1:1:1,2:1:1"));

    const QString antes = estado(b);
    EXPECT_EQ(importar({QStringLiteral("--archivo"), ruta}), 1);
    EXPECT_TRUE(importar.err.contains(QStringLiteral("trae 3 pedidos que ya se importaron")))
        << importar.err.toStdString();
    EXPECT_EQ(estado(b), antes);
    EXPECT_EQ(registro(), QStringLiteral("1:1:1,2:1:1"));

    ASSERT_EQ(importar({QStringLiteral("--archivo"), ruta, QStringLiteral("--repetir")}), 0)
        << importar.err.toStdString();
    EXPECT_EQ(registro(), QStringLiteral("2:1:3,4:1:3"));
}

// The preview runs the import and undoes it: no table changes, and the import that follows
// gives the same Ids, folios, customers and stock figures it showed.
TEST(SubePedidos, APreviewChangesNothingAndAgreesWithTheImportThatFollows) {
    BaseEmpresa b(QStringLiteral("imrevision"));
    b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A',2),('B',0)"));
    b.ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-A','7')"));
    b.ejecuta(QStringLiteral("INSERT INTO pedidos (Id, Serie, Factura) VALUES (10,'X',1)"));
    QTemporaryDir carpeta;
    const QByteArray previo = encabezado("A", "C1") + renglon("A", "1");
    ASSERT_TRUE(SubePedidos(b.conexion(), archivo(carpeta, previo, QStringLiteral("previo.txt")),
                            carpeta.path())
                    .ok);
    const QString ruta =
        archivo(carpeta, renglon("A", "9") + previo +
                             encabezado("A", "C2", {{9, "\"Calle 1\" x"}}) + renglon("A", "2.5") +
                             renglon("Z", "4") + encabezado("", "C3") + renglon("b", "1"));
    Orden importar;
    *importar.programa.bases = pruebas::basesDD();
    importar.programa.baseImportar = b.nombre();
    importar.programa.carpetaPrograma = carpeta.path();
    const QString antes = todasLasTablas(b);
    EXPECT_EQ(importar({QStringLiteral("--archivo"), ruta, QStringLiteral("--revisar")}), 1);
    EXPECT_TRUE(importar.out.contains(QStringLiteral("por él se rechaza el archivo")));
    EXPECT_EQ(importar({QStringLiteral("--archivo"), ruta, QStringLiteral("--revisar"),
                        QStringLiteral("--omitir-importados")}),
              0)
        << importar.err.toStdString();
    EXPECT_TRUE(importar.out.startsWith(QStringLiteral(
        "Pedidos que se crearían:\n"
        "  línea 4, pedido A-999 del archivo → Id 12, folio A-9 (2 renglones)\n"
        "  línea 7, pedido 999 del archivo → Id 13, folio 1 (1 renglón)\n"
        "Clientes que se crearían:\n  C2  Nombre C2\n  C3  Nombre C3\n"
        "Cambios de PorVender:\n"
        "  A: 3.0000 → 5.5000 (+2.5)\n  B: 0.0000 → 1.0000 (+1)\n"
        "  Z: no existe en productos, no cambia (+4 en el archivo)\n"
        "Se descartaría:\n  línea 1: un renglón antes del primer pedido\n"
        "  línea 4: el texto \"x\" que sigue a las comillas de un campo\n"
        "Pedidos que ya se habían importado:\n  línea 2, pedido A-999 del archivo: importado el ")))
        << importar.out.toStdString();
    EXPECT_TRUE(importar.out.contains(QStringLiteral(
        "como Id 11, folio A-8; se omitiría\nTotales: se importarían 2 pedidos "
        "con 3 renglones y 2 clientes nuevos; se omitiría 1 pedido ya importado; "
        "se descartarían 1 renglón antes del primer pedido y 1 texto tras unas comillas.\nSe "
        "importarían 2 pedidos")))
        << importar.out.toStdString();

    importacion::OpcionesImportacion opciones{Importados::Omitir, true};
    const auto revision = SubePedidos(b.conexion(), ruta, carpeta.path(), {}, opciones);
    ASSERT_TRUE(revision.ok) << revision.mensaje.toStdString();
    EXPECT_EQ(revision.corrida, 0);
    EXPECT_EQ(todasLasTablas(b), antes);

    opciones.revisar = false;
    const auto real = SubePedidos(b.conexion(), ruta, carpeta.path(), {}, opciones);
    ASSERT_TRUE(real.ok) << real.mensaje.toStdString();
    ASSERT_EQ(real.importados.size(), revision.importados.size());
    for (qsizetype k = 0; k < real.importados.size(); ++k)
        EXPECT_EQ(real.importados[k].texto() + QString::number(real.importados[k].linea),
                  revision.importados[k].texto() + QString::number(revision.importados[k].linea));
    EXPECT_EQ(QString::number(real.pedidos) + ' ' + QString::number(real.renglones) + ' ' +
                  QString::number(real.clientesNuevos) + ' ' +
                  QString::number(real.pedidosOmitidos),
              QString::number(revision.pedidos) + ' ' + QString::number(revision.renglones) + ' ' +
                  QString::number(revision.clientesNuevos) + ' ' +
                  QString::number(revision.pedidosOmitidos));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(Clave ORDER BY Clave) FROM clientes "
                                     "WHERE Clave<>'C1'")),
              QStringLiteral("C2,C3"));
    for (const importacion::CambioPorVender& c : revision.existencias) {
        if (c.existe) {
            EXPECT_EQ(b.valor(QStringLiteral("SELECT PorVender FROM productos WHERE Clave=?"),
                              {c.producto}),
                      c.despues);
        }
    }
}

// Every import leaves its entry with its outcome and message; the rows of its orders are
// there exactly when its orders are.
TEST(SubePedidos, EachImportLeavesItsJournalEntryAndOrderRowsOnlyWithItsOrders) {
    BaseEmpresa b(QStringLiteral("imbitacora"));
    host::Conexion& c = b.conexion();
    QTemporaryDir carpeta;
    const auto importa = [&](const QByteArray& bytes,
                             const importacion::LlamadasImportacion& llamadas = {}) {
        return SubePedidos(c, archivo(carpeta, bytes), carpeta.path(), llamadas);
    };
    const auto hecha = importa(encabezado("A", "C1") + renglon("P", "1") + encabezado("", "C2"));
    ASSERT_TRUE(hecha.ok) << hecha.mensaje.toStdString();
    auto corridas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    ASSERT_EQ(corridas.size(), 1);
    EXPECT_EQ(corridas[0].id, hecha.corrida);
    EXPECT_EQ(corridas[0].desenlace, EstadoCorrida::Hecho);
    EXPECT_EQ(corridas[0].mensaje, hecha.mensaje);
    EXPECT_EQ(corridas[0].cuentas.pedidos * 100 + corridas[0].cuentas.renglones * 10 +
                  corridas[0].cuentas.clientes,
              212);
    EXPECT_EQ(corridas[0].parametros.archivo, carpeta.filePath(QStringLiteral("pedidos.txt")));
    const auto anotados = bitacora::ConsultasBitacora::pedidos(c, hecha.corrida);
    ASSERT_EQ(anotados.size(), 2);
    EXPECT_EQ(anotados[1].linea, 3);
    // The fingerprint of the records as written, fields joined by commas, each ended by a
    // line end.
    EXPECT_EQ(anotados[1].huella,
              QCryptographicHash::hash(encabezado("", "C2").replace("\r\n", "\n"),
                                       QCryptographicHash::Sha256)
                  .toHex());
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4")
                  .arg(anotados[0].idNuevo)
                  .arg(anotados[0].pedidoNuevo)
                  .arg(anotados[1].idNuevo)
                  .arg(anotados[1].pedidoNuevo),
              QStringLiteral("1 A-1 2 1"));

    // Refused while checking, refused by the server halfway, cancelled, and refused for
    // holding an order imported before: each entry stays, with no order of its own.
    QByteArray rechazadoPorServidor;
    for (int i = 1; i <= 700; ++i)
        rechazadoPorServidor +=
            i == 650 ? encabezado("A", "C9", {{3, "#NULL#"}}) : encabezado("A", "C9");
    importacion::LlamadasImportacion cancela;
    qint64 hechos = 0;
    cancela.progreso = [&](qint64 n, qint64) { hechos = n; };
    cancela.cancelar = [&] { return hechos >= 600; };
    const importacion::ResultadoImportacion fallidas[] = {
        importa(encabezado("A", "C9") + renglon("P", "x")),
        importa(rechazadoPorServidor),
        importa(encabezado("B", "C9").repeated(700), cancela),
        importa(encabezado("B", "C9") + encabezado("", "C2")),
    };
    EXPECT_TRUE(fallidas[3].rechazadoPorImportados);
    corridas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    ASSERT_EQ(corridas.size(), 5);
    for (int k = 0; k < 4; ++k) {
        const bitacora::Corrida& corrida = corridas[3 - k];
        EXPECT_EQ(corrida.id, fallidas[k].corrida);
        EXPECT_EQ(corrida.desenlace, k == 2 ? EstadoCorrida::Cancelado : EstadoCorrida::Fallido);
        EXPECT_EQ(corrida.mensaje, fallidas[k].mensaje);
        EXPECT_TRUE(bitacora::ConsultasBitacora::pedidos(c, corrida.id).isEmpty());
    }
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 2);
    EXPECT_EQ(b.cuenta(bitacora::EsquemaBitacora::tablaHuellas()), 2);
}

// A user who may not create the journal's tables still imports, and is told that this
// import is not recorded.
TEST(ComandoImportar, WithoutTheRightToCreateTheJournalImportsAndSaysSo) {
    BaseEmpresa b(QStringLiteral("imsinbitacora"));
    const pruebas::UsuarioSinCrear usuario(b.nombre());
    QTemporaryDir carpeta;
    const QString ruta = archivo(carpeta, encabezado("A", "C1") + renglon("P", "1"));
    Orden importar;
    *importar.programa.bases = pruebas::basesDD();
    importar.programa.bases->cUsuario = usuario.nombre();
    importar.programa.bases->cPassword = usuario.clave();
    importar.programa.baseImportar = b.nombre();
    importar.programa.carpetaPrograma = carpeta.path();
    EXPECT_EQ(importar({QStringLiteral("--archivo"), ruta}), 0) << importar.err.toStdString();
    EXPECT_TRUE(importar.err.startsWith(QStringLiteral("Aviso: No se lleva bitácora")))
        << importar.err.toStdString();
    EXPECT_TRUE(importar.err.contains(QStringLiteral("no se podrá reconocer")))
        << importar.err.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 1);
}
