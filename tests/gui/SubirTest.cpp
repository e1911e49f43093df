#include "import/Subir.h"
#include "export/Exportacion.h"
#include "shell/CajaMensaje.h"
#include "support/ServidorPruebas.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SubirTest : public ::testing::Test {
protected:
    void SetUp() override {
        *programa.bases = pruebas::basesDD();
        programa.baseImportar = destino.nombre();
        programa.carpetaPrograma = carpeta.path();
        CajaMensaje::limpiaRegistro();
    }
    void TearDown() override { Subir::ponSelector({}); }

    // n orders of series A in the source, one line each, written to the program folder.
    QString archivo(int n, const QString& nombre = QStringLiteral("pedidos.txt")) {
        origen.conexion().ejecuta(
            QStringLiteral("INSERT INTO pedidos (Factura, Serie, Cliente, Fecha, Subtotal) "
                           "SELECT seq, 'A', 'C1', '2026-01-15', 10 FROM seq_1_to_%1")
                .arg(n));
        origen.conexion().ejecuta(
            QStringLiteral("INSERT INTO pedidosdetalle (Id, Partida, Producto, Cantidad, Pedido) "
                           "SELECT Id, 1, 'P1', 3, 3 FROM pedidos"));
        QVector<qint64> ids;
        for (auto rs = origen.conexion().consulta(QStringLiteral("SELECT Id FROM pedidos"));
             !rs->eof(); rs->MoveNext())
            ids << rs->entero(0);
        const auto r = exportacion::EscribeArchivo(origen.conexion(), ids, nombre, carpeta.path());
        EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
        return r.archivo;
    }

    Subir& abre() {
        ventana = std::make_unique<Subir>(programa);
        ventana->show();
        ventana->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(ventana.get()));
        return *ventana;
    }
    QLineEdit* txtArchivo() { return ventana->findChild<QLineEdit*>(QStringLiteral("txtArchivo")); }
    QPushButton* boton(const QString& nombre) {
        auto* b = ventana->findChild<QPushButton*>(nombre);
        EXPECT_NE(b, nullptr) << nombre.toStdString();
        return b;
    }
    void acepta(const QString& nombre) {
        txtArchivo()->setText(nombre);
        QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ventana->ocupado(); }, 60000));
    }
    qint64 pedidosImportados() { return destino.cuenta(QStringLiteral("pedidos")); }

    pruebas::BaseEmpresa origen{QStringLiteral("sub_o")};
    pruebas::BaseEmpresa destino{QStringLiteral("sub_d")};
    QTemporaryDir carpeta;
    Programa programa;
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
    EXPECT_EQ(registro[0].botones, 16);
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

TEST_F(SubirTest, DeclinedConfirmationChangesNothing) {
    archivo(2);
    abre();
    acepta(QStringLiteral("pedidos")); // No is the default answer
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].mensaje,
              QStringLiteral("Archivo localizado. ¿Desea proceder a subir la información?"));
    EXPECT_EQ(registro[0].botones, 292);
    EXPECT_EQ(registro[0].titulo, QStringLiteral("Subir pedidos"));
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_TRUE(txtArchivo()->hasFocus());
    EXPECT_TRUE(txtArchivo()->isEnabled());
}

TEST_F(SubirTest, ConfirmedImportStoresTheOrdersAndCloses) {
    const QString ruta = archivo(3);
    destino.conexion().ejecuta(
        QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES ('PE-A', '40')"));
    abre();
    CajaMensaje::siguienteRespuesta(CajaMensaje::RespuestaSi);
    acepta(ruta);
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].mensaje, QStringLiteral("Información subida"));
    EXPECT_EQ(registro[1].botones, 64);
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Atención"));
    EXPECT_FALSE(ventana->isVisible());
    EXPECT_EQ(ventana->result(), QDialog::Accepted);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidos WHERE Serie='A' AND Factura IN (41,42,43)")),
              3);
    EXPECT_EQ(destino.cuenta(QStringLiteral("pedidosdetalle")), 3);
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
    CajaMensaje::siguienteRespuesta(CajaMensaje::RespuestaSi);
    acepta(ruta);
    const auto registro = CajaMensaje::registro();
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].titulo, QStringLiteral("Error"));
    EXPECT_EQ(registro[1].botones, 16);
    EXPECT_TRUE(registro[1].mensaje.contains(QStringLiteral("No se escribió nada")))
        << registro[1].mensaje.toStdString();
    EXPECT_EQ(pedidosImportados(), 0);
    EXPECT_TRUE(ventana->isVisible());
    EXPECT_TRUE(txtArchivo()->isEnabled());
    EXPECT_TRUE(boton(QStringLiteral("cmdAceptar"))->isEnabled());
}

TEST_F(SubirTest, CancelLeavesNothingAndTheWindowCannotBeClosedMeanwhile) {
    const QString ruta = archivo(3000);
    abre();
    CajaMensaje::siguienteRespuesta(CajaMensaje::RespuestaSi);
    txtArchivo()->setText(ruta);
    QTest::mouseClick(boton(QStringLiteral("cmdAceptar")), Qt::LeftButton);
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
