#include "undo/ventanas/DeshacerVentana.h"
#include "ArchivoPrueba.h"
#include "ControlesPrueba.h"
#include "journal/ventanas/frmBitacora.h"
#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/InformeVentana.h"

#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class DeshacerVentanaTest : public pruebas::PruebaVentana {
protected:
    void SetUp() override {
        *programa.bases = pruebas::basesDD(b.nombre());
        programa.baseImportar = b.nombre();
        b.ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES ('A', 1)"));
        const QString ruta =
            prueba::archivo(carpeta, prueba::encabezado("A", "C1") + prueba::renglon("A", "2") +
                                         prueba::encabezado("A", "C2") + prueba::renglon("A", "3"));
        const auto r = importacion::SubePedidos(b.conexion(), ruta, carpeta.path());
        ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
        corrida = r.corrida;
    }
    QWidget* raiz() const override { return raiz_; }

    // The journal's window, its runs read, the import selected.
    frmBitacora& bitacora() {
        bitacora_ = std::make_unique<frmBitacora>(programa);
        raiz_ = bitacora_.get();
        muestra();
        auto* corridas = control<QTableView>(QStringLiteral("mhgCorridas"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !bitacora_->ocupado() && corridas->model()->rowCount() > 0; }, 30000));
        corridas->setCurrentIndex(corridas->model()->index(0, 0));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !bitacora_->ocupado(); }, 30000));
        return *bitacora_;
    }
    DeshacerVentana& deshacer() {
        ventana_ =
            new DeshacerVentana(programa, corrida, bitacora::Operacion::Importacion, b.nombre());
        ventana_->setAttribute(Qt::WA_DeleteOnClose, false);
        guarda_.reset(ventana_);
        raiz_ = ventana_;
        muestra();
        return *ventana_;
    }
    // Waits until the window has asked n boxes and its work is over.
    QList<CajaMensaje::Registro> cajas(int n) {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return CajaMensaje::registro().size() >= n && !ventana_->ocupado(); }, 60000));
        return CajaMensaje::registro();
    }
    QStringList informe(const QString& titulo) { return pruebas::ultimoInforme(*ventana_, titulo); }

    pruebas::BaseEmpresa b{QStringLiteral("deshv")};
    qint64 corrida = 0;
    QWidget* raiz_ = nullptr;
    std::unique_ptr<frmBitacora> bitacora_;
    DeshacerVentana* ventana_ = nullptr;
    std::unique_ptr<DeshacerVentana> guarda_;
};

} // namespace

// "Deshacer…" names the run chosen; the undo previews, asks with No by default, and its
// "Sí" undoes and ends with a message whose "Ver informe" lists what went.
TEST_F(DeshacerVentanaTest, FromTheJournalThroughPreviewQuestionAndReport) {
    frmBitacora& journal = bitacora();
    auto* boton = this->boton(QStringLiteral("cmdDeshacer"));
    EXPECT_TRUE(boton->isEnabled());
    QSignalSpy pedido(&journal, &frmBitacora::deshacerPedido);
    QTest::mouseClick(boton, Qt::LeftButton);
    ASSERT_EQ(pedido.size(), 1);
    EXPECT_EQ(pedido[0][0].toLongLong(), corrida);
    EXPECT_EQ(pedido[0][2].toString(), b.nombre());

    // No, the default: nothing is undone.
    deshacer().comienza();
    auto registro = cajas(1);
    ASSERT_EQ(registro.size(), 1);
    EXPECT_TRUE(registro[0].mensaje.startsWith(
        QStringLiteral("¿Desea deshacer la corrida %1? Se quitarán 2 pedidos").arg(corrida)))
        << registro[0].mensaje.toStdString();
    EXPECT_EQ(registro[0].estilo, CajaMensaje::Estilo::siNo(true));
    EXPECT_EQ(registro[0].accion, QStringLiteral("Ver revisión"));
    const QStringList revision =
        informe(QStringLiteral("Revisión: deshacer la corrida %1").arg(corrida));
    EXPECT_TRUE(revision.contains(QStringLiteral("Se quitaría|A-1|1|1 renglón")))
        << revision.join('\n').toStdString();
    EXPECT_TRUE(
        revision.contains(QStringLiteral("PorVender|A||%1: 6.0000 → 1.0000").arg(b.nombre())))
        << revision.join('\n').toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 2);

    CajaMensaje::limpiaRegistro();
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    ventana_->comienza();
    registro = cajas(2);
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].accion, QStringLiteral("Ver informe"));
    EXPECT_TRUE(
        registro[1].mensaje.startsWith(QStringLiteral("Se deshizo la corrida %1").arg(corrida)))
        << registro[1].mensaje.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(b.valor(QStringLiteral("SELECT PorVender FROM productos")), QStringLiteral("1.0000"));
}

// With orders changed since, the choice is "Sólo los no modificados" or "Cancelar", the
// latter by default.
TEST_F(DeshacerVentanaTest, ChangedOrdersOfferOnlyTheUnchangedOnesOrCancel) {
    b.ejecuta(QStringLiteral("UPDATE pedidosdetalle SET Facturado=1 WHERE Id=1"));
    deshacer().comienza();
    auto registro = cajas(1);
    ASSERT_EQ(registro.size(), 1);
    EXPECT_EQ(registro[0].opciones,
              (QStringList{QStringLiteral("Sólo los no modificados"), QStringLiteral("Cancelar")}));
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 2);

    CajaMensaje::limpiaRegistro();
    CajaMensaje::siguienteOpcion(0);
    ventana_->comienza();
    registro = cajas(2);
    ASSERT_EQ(registro.size(), 2);
    EXPECT_EQ(registro[1].accion, QStringLiteral("Ver informe"));
    EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(Id) FROM pedidos")), QStringLiteral("1"));
}

// A product deleted since the import cannot take its stock back: the preview says so above
// its list, before the question, and the final message again.
TEST_F(DeshacerVentanaTest, APreviewTellsOfAProductWhoseStockCannotBePutBack) {
    b.ejecuta(QStringLiteral("DELETE FROM productos"));
    const QString aviso = QStringLiteral("El producto A no está en la tabla productos de la base "
                                         "de datos \"%1\": su PorVender no se cambió.")
                              .arg(b.nombre());
    CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
    deshacer().comienza();
    const auto registro = cajas(2);
    ASSERT_EQ(registro.size(), 2);
    QString resumen;
    for (const InformeVentana* v : ventana_->findChildren<InformeVentana*>())
        if (v->windowTitle().startsWith(QStringLiteral("Revisión")))
            resumen = v->informe().resumen;
    EXPECT_TRUE(resumen.contains(aviso)) << resumen.toStdString();
    EXPECT_TRUE(registro[1].mensaje.contains(aviso)) << registro[1].mensaje.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 0);
}
