#include "import/ventanas/Subir.h"
#include "ControlesPrueba.h"
#include "export/Exportacion.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/InformeVentana.h"
#include "support/ServidorPruebas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SubirTest : public pruebas::PruebaVentana {
protected:
    void SetUp() override { programa.baseImportar = destino.nombre(); }
    void TearDown() override { Subir::ponSelector({}); }

    // n more orders of series A in the source, one line each; every order of the source
    // written to the program folder.
    QString archivo(int n, const QString& nombre = QStringLiteral("pedidos.txt")) {
        origen.conexion().ejecuta(
            QStringLiteral("INSERT INTO pedidos (Factura, Serie, Cliente, Fecha, Subtotal) "
                           "SELECT seq + %2, 'A', 'C1', '2026-01-15', 10 FROM seq_1_to_%1")
                .arg(n)
                .arg(origen.cuenta(QStringLiteral("pedidos"))));
        origen.conexion().ejecuta(
            QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, Cantidad, Pedido) "
                           "SELECT Id, 1, 'P1', 3, 3 FROM pedidos WHERE Id NOT IN "
                           "(SELECT Id FROM pedidosdetalle)"));
        QVector<qint64> ids;
        for (auto rs = origen.conexion().consulta(QStringLiteral("SELECT Id FROM pedidos"));
             !rs->eof(); rs->MoveNext())
            ids << rs->entero(0);
        const auto r = exportacion::EscribeArchivo(origen.conexion(), ids, nombre, carpeta.path());
        EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
        return r.archivo;
    }

    QWidget* raiz() const override { return ventana.get(); }
    Subir& abre() {
        ventana = std::make_unique<Subir>(programa);
        muestra();
        return *ventana;
    }
    QLineEdit* txtArchivo() { return campo(QStringLiteral("txtArchivo")); }
    void acepta(const QString& nombre) {
        txtArchivo()->setText(nombre);
        QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ventana->ocupado(); }, 60000));
    }
    // Accepts the file again, choosing that option of the duplicate question and confirming.
    QList<CajaMensaje::Registro> aceptaEligiendo(const QString& nombre, int opcion) {
        CajaMensaje::limpiaRegistro();
        CajaMensaje::siguienteOpcion(opcion);
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        acepta(nombre);
        return CajaMensaje::registro();
    }
    qint64 pedidosImportados() { return destino.cuenta(QStringLiteral("pedidos")); }
    void importaSinVentana(const QString& ruta) {
        const auto r =
            importacion::SubePedidos(*programa.bases, destino.nombre(), ruta, carpeta.path());
        ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    }
    QStringList informe(const QString& titulo) { return pruebas::ultimoInforme(*ventana, titulo); }
    static QString pregunta() {
        return QStringLiteral("Archivo localizado. ¿Desea proceder a subir la información?");
    }
    static QString hoy() { return QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")); }

    pruebas::BaseEmpresa origen{QStringLiteral("sub_o")};
    pruebas::BaseEmpresa destino{QStringLiteral("sub_d")};
    std::unique_ptr<Subir> ventana;
};

TEST_F(SubirTest, MissingFileIsToldAfterTheNameIsCompleted) {
    abre();
    EXPECT_EQ(ventana->windowTitle(), QStringLiteral("Importar información de pedidos"));
    EXPECT_TRUE(txtArchivo()->hasFocus());
    acepta(QStringLiteral(" noexiste "));
    EXPECT_EQ(txtArchivo()->text(), QStringLiteral("noexiste.txt"));
    auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].mensaje, QStringLiteral("No existe el archivo indicado"));
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Icono::Critico);
    EXPECT_EQ(registro[0].titulo, QStringLiteral("ERROR"));
    EXPECT_TRUE(txtArchivo()->hasFocus());

    // ".txt" anywhere, in any case, is enough.
    acepta(QStringLiteral("datos.TXT.bak"));
    EXPECT_EQ(txtArchivo()->text(), QStringLiteral("datos.TXT.bak"));

    // A blank name asks nothing.
    CajaMensaje::limpiaRegistro();
    acepta(QStringLiteral("   "));
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
    EXPECT_TRUE(ventana->isVisible());
}

// The preview is the import undone: what it shows is what the confirmed import then does.
TEST_F(SubirTest, ThePreviewComesBeforeTheQuestionAndTheReportAgreesWithIt) {
    const QString ruta = archivo(3);
    destino.conexion().ejecuta(
        QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-A', '40')"));
    abre();
    acepta(QStringLiteral("pedidos")); // No is the default answer
    auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].mensaje, pregunta());
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Estilo::siNo(true));
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Subir pedidos"));
    EXPECT_EQ(registro[0].accion, QStringLiteral("&Ver revisión"));
    const QStringList revision = informe(QStringLiteral("Revisión de la importación"));
    EXPECT_TRUE(revision.contains(
        QStringLiteral("  línea 3, pedido A-2 del archivo → Id 2, folio A-42 (1 renglón)")))
        << revision.join('\n').toStdString();
    EXPECT_TRUE(revision.contains(QStringLiteral("Totales: se importarían 3 pedidos con 3 "
                                                 "renglones y 1 cliente nuevo.")))
        << revision.join('\n').toStdString();
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_EQ(destino.cuenta(QStringLiteral("sistema WHERE Dato='PE-A' AND Contenido='40'")), 1);
    EXPECT_TRUE(ventana->isVisible());
    // The preview, left open in test mode, holds the active window.
    EXPECT_EQ(ventana->focusWidget(), txtArchivo());
    EXPECT_TRUE(txtArchivo()->isEnabled());

    CajaMensaje::limpiaRegistro();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    CajaMensaje::siguienteAccion(); // "Ver informe"
    acepta(ruta);
    registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].mensaje, QStringLiteral("Información subida"));
    EXPECT_EQ(registro[1].estilo, CajaMensaje::Icono::Informacion);
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Atención"));
    EXPECT_EQ(registro[1].accion, QStringLiteral("Ver informe"));
    EXPECT_FALSE(ventana->isVisible());
    EXPECT_EQ(ventana->result(), QDialog::Accepted);
    EXPECT_EQ(informe(QStringLiteral("Informe de la importación")),
              (QStringList{"A-41|1|1|A-1|1", "A-42|2|3|A-2|1", "A-43|3|5|A-3|1"}));
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos WHERE Serie='A' AND Factura IN (41,42,43)")),
              3);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidosdetalle")), 3);
}

TEST_F(SubirTest, AFileWithOrdersImportedBeforeOffersOnlyTheNewOnesByDefault) {
    importaSinVentana(archivo(2, QStringLiteral("viejos.txt")));
    const QString mezcla = archivo(1, QStringLiteral("mezcla.txt"));
    abre();
    acepta(mezcla); // the defaults: only the new ones, then No
    auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_TRUE(registro[0].mensaje.startsWith(
        QStringLiteral("2 de los 3 pedidos del archivo ya se habían importado el %1 a las ")
            .arg(hoy())))
        << registro[0].mensaje.toStdString();
    EXPECT_TRUE(
        registro[0].mensaje.endsWith(QStringLiteral("; 1 es nuevo.\n¿Qué pedidos desea subir?")));
    EXPECT_EQ(registro[0].opciones,
              (QStringList{"Sólo los &nuevos", "&Todos otra vez", "&Cancelar"}));
    EXPECT_EQ(registro[1].mensaje, pregunta());
    const QString revision = informe(QStringLiteral("Revisión de la importación")).join('\n');
    EXPECT_TRUE(revision.contains(QStringLiteral("pedido A-3 del archivo → Id 3, folio A-3")))
        << revision.toStdString();
    EXPECT_TRUE(revision.contains(QStringLiteral("pedido A-1 del archivo: importado el ")));
    EXPECT_TRUE(revision.contains(QStringLiteral("; se omitiría")));
    EXPECT_EQ(pedidosImportados(), 2);

    registro = aceptaEligiendo(mezcla, 0); // "Sólo los nuevos"
    ASSERT_EQ(registro.size(), 3);
    EXPECT_EQ(registro[2].mensaje, QStringLiteral("Información subida"));
    EXPECT_EQ(pedidosImportados(), 3);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidosdetalle")), 3);
}

TEST_F(SubirTest, AFileImportedWholeDefaultsToCancelAndGoesInAgainOnlyWhenAsked) {
    const QString ruta = archivo(2);
    importaSinVentana(ruta);
    abre();
    acepta(ruta);
    auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1); // cancelled: no question
    EXPECT_TRUE(registro[0].mensaje.startsWith(
        QStringLiteral("Los 2 pedidos del archivo ya se habían importado el %1").arg(hoy())))
        << registro[0].mensaje.toStdString();
    EXPECT_EQ(registro[0].opciones, (QStringList{"&Todos otra vez", "&Cancelar"}));
    EXPECT_EQ(pedidosImportados(), 2);
    EXPECT_TRUE(ventana->isVisible());

    // Importing them again is previewed again: the orders get other folios than when skipped.
    registro = aceptaEligiendo(ruta, 0); // "Todos otra vez"
    ASSERT_EQ(registro.size(), 3);
    EXPECT_EQ(registro[1].mensaje, pregunta());
    EXPECT_EQ(registro[2].mensaje, QStringLiteral("Información subida"));
    const QString revision = informe(QStringLiteral("Revisión de la importación")).join('\n');
    EXPECT_TRUE(revision.contains(QStringLiteral("pedido A-2 del archivo → Id 4, folio A-4")))
        << revision.toStdString();
    EXPECT_TRUE(revision.contains(QStringLiteral("; se importaría otra vez")));
    EXPECT_EQ(pedidosImportados(), 4);
}

TEST_F(SubirTest, BrowsingPutsTheChosenFileInTheBox) {
    abre();
    QString titulo, filtros;
    const QString elegido = QDir(carpeta.path()).filePath(QStringLiteral("x.txt"));
    Subir::ponSelector([&](QWidget*, const QString& t, const QString& f) {
        titulo = t;
        filtros = f;
        return elegido;
    });
    QTest::mouseClick(boton(QStringLiteral("cmdExaminar")), Qt::LeftButton);
    EXPECT_EQ(titulo, QStringLiteral("Archivo origen para importar pedidos"));
    EXPECT_EQ(filtros, QStringLiteral("Archivos de texto (*.txt);;Todos los archivos (*)"));
    EXPECT_EQ(txtArchivo()->text(), QDir::toNativeSeparators(elegido));
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->hasFocus());

    // Nothing chosen: the box keeps its text.
    Subir::ponSelector([](QWidget*, const QString&, const QString&) { return QString(); });
    QTest::mouseClick(boton(QStringLiteral("cmdExaminar")), Qt::LeftButton);
    EXPECT_EQ(txtArchivo()->text(), QDir::toNativeSeparators(elegido));
}

TEST_F(SubirTest, DamagedFileIsRefusedWholeAndTheWindowStays) {
    const QString ruta = archivo(2);
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("\"M\",1,\"A\"\r\n"); // a header cut short
    f.close();
    abre();
    acepta(ruta);
    // The preview finds the damage: its message, and no question.
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    pruebas::esError(registro[0], QStringLiteral("No se escribió nada"));
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_TRUE(txtArchivo()->isEnabled());
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->isEnabled());
}

TEST_F(SubirTest, AWaitForAnotherUsersLockIsToldAndCancelEndsItAtOnce) {
    const QString ruta = archivo(3);
    destino.conexion().ejecuta(
        QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-A', '40')"));
    // Another user holds the folio counters.
    auto otro = pruebas::conecta(destino.nombre());
    otro->iniciaTransaccion();
    otro->consulta(QStringLiteral("SELECT * FROM sistema FOR UPDATE"));
    abre();
    txtArchivo()->setText(ruta);
    QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
    auto* linea = control<QLabel>(QStringLiteral("lblAvance"));
    const QString aviso = QStringLiteral("Esperando a que otro usuario libere renglones de la "
                                         "tabla sistema de la base de datos \"%1\"…")
                              .arg(destino.nombre());
    ASSERT_TRUE(QTest::qWaitFor([&] { return linea->text() == aviso; }, 15000))
        << linea->text().toStdString();
    QElapsedTimer reloj;
    reloj.start();
    QTest::mouseClick(boton(QStringLiteral("cmdCancelar")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ventana->ocupado(); }, 15000));
    EXPECT_LT(reloj.elapsed(), 3000);
    otro->deshace();
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Atención"));
    EXPECT_EQ(registro[0].mensaje,
              QStringLiteral("Se canceló la revisión del archivo: no se subió nada."));
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_EQ(destino.cuenta(QStringLiteral("sistema WHERE Dato='PE-A' AND Contenido='40'")), 1);
    EXPECT_TRUE(txtArchivo()->isEnabled());
}

TEST_F(SubirTest, CancelLeavesNothingAndTheWindowCannotBeClosedMeanwhile) {
    const QString ruta = archivo(3000);
    abre();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    txtArchivo()->setText(ruta);
    QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
    // The import starts once the preview is done and the question answered.
    ASSERT_TRUE(QTest::qWaitFor([] { return CajaMensaje::registro().size() == 1; }, 60000));
    ASSERT_TRUE(ventana->ocupado());
    EXPECT_FALSE(txtArchivo()->isEnabled());
    ventana->reject();
    EXPECT_TRUE(ventana->isVisible());
    QTest::mouseClick(boton(QStringLiteral("cmdCancelar")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ventana->ocupado(); }, 60000));
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Atención"));
    EXPECT_TRUE(registro[1].mensaje.contains(QStringLiteral("Se canceló la importación")))
        << registro[1].mensaje.toStdString();
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_TRUE(txtArchivo()->isEnabled());
}

} // namespace

namespace {

// An empty name and a declined question each leave a line that says why nothing happened;
// Tab goes from the name to "Examinar" and then to "Aceptar".
TEST_F(SubirTest, ItsDeadEndsAreToldBesideTheControlsAndTabFollowsTheRow) {
    const QString ruta = archivo(2);
    abre();
    auto* aviso = control<QLabel>(QStringLiteral("lblAviso"));
    EXPECT_FALSE(aviso->isVisible());
    acepta(QStringLiteral("   "));
    EXPECT_TRUE(aviso->isVisible());
    EXPECT_TRUE(aviso->text().contains(QStringLiteral("Escriba el nombre")))
        << aviso->text().toStdString();
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
    EXPECT_TRUE(txtArchivo()->hasFocus());
    QTest::keyClicks(txtArchivo(), QStringLiteral("x"));
    EXPECT_FALSE(aviso->isVisible());

    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::No);
    acepta(ruta);
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_TRUE(aviso->isVisible());
    EXPECT_TRUE(aviso->text().startsWith(QStringLiteral("No se importó nada")))
        << aviso->text().toStdString();

    // The preview's report stays open in test mode: the window is made active again.
    for (InformeVentana* v : ventana->findChildren<InformeVentana*>())
        v->close();
    ventana->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ventana.get()));
    txtArchivo()->setFocus();
    QTest::keyClick(txtArchivo(), Qt::Key_Tab);
    EXPECT_TRUE(boton(QStringLiteral("cmdExaminar"))->hasFocus());
    QTest::keyClick(boton(QStringLiteral("cmdExaminar")), Qt::Key_Tab);
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->hasFocus());
}

} // namespace

TEST_F(SubirTest, AFileThatIsNoTransferFileIsToldAsThatWithItsCountsInTheDetails) {
    // A report saved from "Ver informe": tab-separated lines, no order in them.
    const QString ruta = QDir(carpeta.path()).filePath(QStringLiteral("informe.txt"));
    {
        QFile f(ruta);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Informe de la acumulación\nFolio\tEmpresa\tPedido\nA-1\tempresa2\tB-15\n");
    }
    abre();
    acepta(QStringLiteral("informe.txt"));
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_TRUE(registro[0].principal.startsWith(
        QStringLiteral("Este archivo no es un archivo de pedidos exportado")))
        << registro[0].principal.toStdString();
    EXPECT_TRUE(registro[0].principal.endsWith(QStringLiteral("No se importó nada.")));
    EXPECT_TRUE(registro[0].detalle.contains(QStringLiteral("3 líneas leídas")))
        << registro[0].detalle.toStdString();
    EXPECT_TRUE(registro[0].detalle.contains(QStringLiteral("la primera línea trae 1 campo")));
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_TRUE(txtArchivo()->hasFocus());
}

TEST_F(SubirTest, ExaminarOpensWhereTheLastImportCameFrom) {
    programa.archivoIni = QDir(carpeta.path()).filePath(QStringLiteral("acumulapedidos.ini"));
    QTemporaryDir otra;
    const QString ruta = archivo(1);
    const QString copia = QDir(otra.path()).filePath(QStringLiteral("envio.txt"));
    ASSERT_TRUE(QFile::copy(ruta, copia));
    abre();
    const QString antes = ventana->carpetaExaminar();
    EXPECT_NE(antes, otra.path());
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    acepta(copia);
    ASSERT_EQ(pedidosImportados(), 1);
    abre();
    EXPECT_EQ(QDir::cleanPath(ventana->carpetaExaminar()), QDir::cleanPath(otra.path()));

    // A folder gone since falls back to a removable drive, or the dialog's own choice.
    const QString ida = otra.path();
    otra.remove();
    abre();
    EXPECT_NE(ventana->carpetaExaminar(), ida);
}
