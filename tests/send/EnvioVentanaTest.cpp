#include "Sucursal.h"
#include "journal/ventanas/frmBitacora.h"
#include "send/ventanas/EnvioPedidos.h"
#include "send/ventanas/QueLlego.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/InformeVentana.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using sucursal::Origen;

namespace {

template <class T> T* control(QWidget* ventana, const QString& nombre) {
    T* c = ventana->findChild<T*>(nombre);
    if (!c)
        throw std::runtime_error("falta el control " + nombre.toStdString());
    return c;
}

class EnvioVentanaTest : public ::testing::Test {
protected:
    EnvioVentanaTest() {
        o.iniCon(b.destino());
        CajaMensaje::limpiaRegistro();
    }
    ~EnvioVentanaTest() override { CajaMensaje::limpiaRegistro(); }

    // The export window with its orders listed and all marked, the destinations wired as the
    // main window wires them, and the first "Proceder" answered.
    void preparaExportacion() {
        ventana = std::make_unique<BajarPedidos>(o.programa);
        ventana->ponEnvios(EnvioPedidos::envios(o.programa));
        ventana->show();
        control<QLineEdit>(ventana.get(), QStringLiteral("mkeFecha(0)"))->clear();
        control<QLineEdit>(ventana.get(), QStringLiteral("mkeFecha(1)"))->clear();
        QTest::mouseClick(control<QPushButton>(ventana.get(), QStringLiteral("cmdAceptar")),
                          Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !ventana->ocupado(); }, 60000));
        QTest::mouseClick(control<QPushButton>(ventana.get(), QStringLiteral("cmdMarcarTodos")),
                          Qt::LeftButton);
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        QTest::mouseClick(proceder(), Qt::LeftButton);
    }
    QPushButton* proceder() {
        return control<QPushButton>(ventana.get(), QStringLiteral("cmdProceder"));
    }
    // Chooses the destination in the list beside "Unidad:".
    void eligeDestino() {
        auto* unidad = control<QComboBox>(ventana.get(), QStringLiteral("Drive1"));
        const int i = unidad->findText(QStringLiteral("Destino: sucursal"));
        ASSERT_GE(i, 0);
        unidad->setCurrentIndex(i);
    }
    bool enviando() { return ventana->findChild<EnvioPedidos*>() != nullptr; }
    const CajaMensaje::Registro* caja(const QString& texto) {
        registro = CajaMensaje::registro();
        for (const auto& r : registro)
            if (r.mensaje.contains(texto))
                return &r;
        return nullptr;
    }

    Origen o{3, 2};
    sucursal::Base b{QStringLiteral("suc")};
    std::unique_ptr<BajarPedidos> ventana;
    QList<CajaMensaje::Registro> registro;
};

} // namespace

// The destination offered beside "Unidad:": its preview, then the question with No by
// default (taken here: nothing goes), then Yes: the orders arrive and the window ends with
// the destination's report.
TEST_F(EnvioVentanaTest, DestinationIsPreviewedAskedWithNoByDefaultAndSent) {
    preparaExportacion();
    eligeDestino();
    QTest::mouseClick(proceder(), Qt::LeftButton);
    auto* envio = ventana->findChild<EnvioPedidos*>();
    ASSERT_NE(envio, nullptr);
    EXPECT_NE(envio->findChild<QProgressBar*>(QStringLiteral("barAvance")), nullptr);
    EXPECT_NE(envio->findChild<QPushButton*>(QStringLiteral("cmdCancelar")), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !enviando(); }, 60000));
    const auto* pregunta = caja(QStringLiteral("Se enviarán 3 pedidos al destino sucursal"));
    ASSERT_NE(pregunta, nullptr);
    EXPECT_EQ(pregunta->estilo, CajaMensaje::Estilo::siNo(true));
    EXPECT_EQ(pregunta->accion, QStringLiteral("Ver revisión"));
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_TRUE(o.enviados().isEmpty());
    EXPECT_TRUE(proceder()->isEnabled()) << "back to choosing where the orders go";

    CajaMensaje::limpiaRegistro();
    eligeDestino();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    QTest::mouseClick(proceder(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !enviando(); }, 60000));
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 3);
    EXPECT_EQ(o.enviados().size(), 1);
    const auto* fin = caja(QStringLiteral("Llegó al destino sucursal"));
    ASSERT_NE(fin, nullptr);
    EXPECT_EQ(fin->accion, QStringLiteral("Ver informe"));
    EXPECT_FALSE(proceder()->isVisible()) << "the export window starts again";
}

// "¿Qué llegó?" on the export the journal lists: the run is handed over, and the comparison
// shows each order with the totals.
TEST_F(EnvioVentanaTest, JournalAsksWhatArrivedOfTheSelectedExport) {
    ASSERT_EQ(o.corre(comandos::enviar, {"--destino", "sucursal"}).estado, 0);
    frmBitacora bitacora(o.programa);
    bitacora.show();
    auto* corridas = control<QTableView>(&bitacora, QStringLiteral("mhgCorridas"));
    auto* queLlego = control<QPushButton>(&bitacora, QStringLiteral("cmdQueLlego"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return corridas->model()->rowCount() > 0; }, 60000));
    int exportacion = -1;
    for (int f = 0; f < corridas->model()->rowCount() && exportacion < 0; ++f) {
        corridas->setCurrentIndex(corridas->model()->index(f, 0));
        if (queLlego->isEnabled())
            exportacion = f;
    }
    ASSERT_GE(exportacion, 0);
    QSignalSpy pedida(&bitacora, &frmBitacora::queLlego);
    QTest::mouseClick(queLlego, Qt::LeftButton);
    ASSERT_EQ(pedida.size(), 1);
    const auto args = pedida.first();
    EXPECT_EQ(args[1].value<bitacora::Operacion>(), bitacora::Operacion::Exportacion);
    EXPECT_TRUE(args[3].toString().startsWith(QStringLiteral("Destino sucursal (")))
        << args[3].toString();

    QueLlego::muestra(o.programa, args[0].toLongLong(), args[2].toString(), args[3].toString(),
                      &bitacora);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bitacora.findChild<QueLlego*>() == nullptr; }, 60000));
    auto* informe = bitacora.findChild<InformeVentana*>();
    ASSERT_NE(informe, nullptr);
    EXPECT_EQ(informe->informe().renglones.size(), 3);
    EXPECT_TRUE(informe->informe().resumen.contains(QStringLiteral("3 de 3 llegaron una vez")))
        << informe->informe().resumen;
    for (const QStringList& r : informe->informe().renglones)
        EXPECT_EQ(r[2], QStringLiteral("Llegó"));
}
