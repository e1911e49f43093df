#include "EntornoVentana.h"
#include "export/BajarPedidos.h"
#include "import/Subir.h"
#include "shell/host/Utilerias.h"
#include "support/ServidorPruebas.h"

#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

using pruebas::EntornoVentana;
using pruebas::escribeArchivo;
using pruebas::espera;
using pruebas::habilitadas;
using pruebas::hijo;

namespace {

// The program installed against the test server, with a scratch company as the main,
// export and import database.
struct EntornoServidor : EntornoVentana {
    EntornoServidor() : empresa(QStringLiteral("ventana"), true) {
        const host::ParametrosConexion p = pruebas::parametros();
        escribeArchivo(
            krx(), "[Instalacion]\nMySQLServer=" + p.servidor.toUtf8() +
                       "\nMySQLPuerto=" + QByteArray::number(p.puerto) +
                       "\nMySQLUsuario=" + host::Utilerias::Encripta(p.usuario).toUtf8() +
                       "\nMySQLPassword=" + host::Utilerias::Encripta(p.password).toUtf8() + "\n");
        const QByteArray base = empresa.nombre().toUtf8();
        iniConKorvan("Base de datos principal=" + base +
                     "\n[Otras bases de datos]\nPara exportar pedidos=" + base +
                     "\nPara importar pedidos=" + base + "\n");
    }
    pruebas::BaseEmpresa empresa;
};

// The window the button opens is modal over the main window and goes away when closed.
template <typename T> void abreModal(frmInicial& v, const char* boton) {
    hijo<QPushButton>(v, boton)->click();
    T* ventana = nullptr;
    ASSERT_TRUE(espera([&] { return (ventana = v.findChild<T*>()) && ventana->isVisible(); }));
    EXPECT_TRUE(ventana->isModal());
    EXPECT_EQ(ventana->windowModality(), Qt::ApplicationModal);
    ventana->close();
    EXPECT_TRUE(espera([&] { return v.findChild<T*>() == nullptr; }));
}

} // namespace

TEST(frmInicialServidor, AcumularShowsOnlyTabOneAndRegresarGoesBack) {
    EntornoServidor e;
    auto v = e.abre();
    EXPECT_EQ(e.programa.bases->cMiBase, e.empresa.nombre());
    auto* tabs = hijo<QTabWidget>(*v, "sstTabs");
    hijo<QPushButton>(*v, "Command1")->click();
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(habilitadas(*tabs), (std::vector<bool>{false, true, false, false}));
    auto* regresar = hijo<QPushButton>(*v, "cmdRegresar");
    EXPECT_TRUE(regresar->isEnabled());
    regresar->click();
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(habilitadas(*tabs), (std::vector<bool>{true, false, false, false}));
    // A close with the accumulation tab's work behind it ends cleanly.
    CajaMensaje::siguienteRespuesta(CajaMensaje::RespuestaSi);
    EXPECT_TRUE(v->close());
}

TEST(frmInicialServidor, ExportAndImportOpenModalOverTheMainWindow) {
    EntornoServidor e;
    auto v = e.abre();
    abreModal<BajarPedidos>(*v, "Command2");
    abreModal<Subir>(*v, "Command3");
    EXPECT_TRUE(v->isVisible());
}
