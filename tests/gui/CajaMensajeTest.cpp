#include "EntornoVentana.h"

#include "shell/host/TextoConDetalle.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Botones = CajaMensaje::Botones;
using Estilo = CajaMensaje::Estilo;
using Icono = CajaMensaje::Icono;
using Respuesta = CajaMensaje::Respuesta;

// Shows real boxes (not the test mode's default answers) for the length of a test.
class CajaReal : public ::testing::Test {
protected:
    CajaReal() {
        CajaMensaje::limpiaRegistro();
        CajaMensaje::modoPruebas(false);
    }
    ~CajaReal() override { CajaMensaje::modoPruebas(true); }
};

struct Visto {
    QStringList botones;
    QString porOmision;
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    QString titulo;
    QString texto;
    QWidget* padre = nullptr;
};

// What a button shows: its mnemonic marker is not drawn.
QString visible(const QAbstractButton* b) {
    return b ? QString(b->text()).remove(u'&') : QString();
}

// Once the box is up, notes what it shows and clicks the button with the text given.
void responde(Visto& visto, const QString& pulsar) {
    QTimer::singleShot(0, [&visto, pulsar] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja)
            return;
        for (QAbstractButton* b : caja->buttons())
            visto.botones << visible(b);
        visto.porOmision = visible(caja->defaultButton());
        visto.icono = caja->icon();
        visto.titulo = caja->windowTitle();
        visto.texto = caja->text();
        visto.padre = caja->parentWidget();
        for (QAbstractButton* b : caja->buttons())
            if (visible(b) == pulsar)
                b->click();
    });
}

} // namespace

TEST_F(CajaReal, YesNoHasSpanishButtonsAnd256MakesNoTheDefault) {
    QWidget padre;
    Visto v;
    responde(v, QStringLiteral("No"));
    EXPECT_EQ(CajaMensaje::muestra(&padre, QStringLiteral("¿Desea cerrar este programa?"),
                                   Estilo::siNo(true), QStringLiteral("Finalizar")),
              Respuesta::No);
    EXPECT_EQ(v.botones, (QStringList{"Sí", "No"}));
    EXPECT_EQ(v.porOmision, QStringLiteral("No"));
    EXPECT_EQ(v.icono, QMessageBox::Question);
    EXPECT_EQ(v.titulo, QStringLiteral("Finalizar"));
    EXPECT_EQ(v.padre, &padre);

    Visto w;
    responde(w, QStringLiteral("Sí"));
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("p"), Estilo::siNo(false),
                                   QStringLiteral("t")),
              Respuesta::Si);
    EXPECT_EQ(w.porOmision, QStringLiteral("Sí"));
}

TEST_F(CajaReal, AMessageHasOnlyAceptarItsIconAndItsLinesBroken) {
    const std::pair<Icono, QMessageBox::Icon> casos[] = {
        {Icono::Critico, QMessageBox::Critical},
        {Icono::Exclamacion, QMessageBox::Warning},
        {Icono::Informacion, QMessageBox::Information},
        {Icono::Ninguno, QMessageBox::NoIcon}};
    for (const auto& [simbolo, icono] : casos) {
        Visto v;
        responde(v, QStringLiteral("Aceptar"));
        EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("uno\n\ndos"), simbolo,
                                       QStringLiteral("Atención")),
                  Respuesta::Aceptar);
        EXPECT_EQ(v.botones, QStringList{"Aceptar"});
        EXPECT_EQ(v.icono, icono);
        EXPECT_EQ(v.texto, QStringLiteral("uno\n\ndos"));
    }
}

TEST_F(CajaReal, ABoxAskedForWhileOneIsOpenIsShownToo) {
    Visto interior;
    Respuesta respuestaInterior = Respuesta::Ninguna;
    QTimer::singleShot(0, [&] {
        auto* exterior = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        responde(interior, QStringLiteral("No"));
        respuestaInterior = CajaMensaje::muestra(nullptr, QStringLiteral("interior"),
                                                 Estilo::siNo(false), QStringLiteral("t"));
        if (exterior)
            exterior->buttons().first()->click();
    });
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("exterior"), Icono::Informacion,
                                   QStringLiteral("t")),
              Respuesta::Aceptar);
    EXPECT_EQ(respuestaInterior, Respuesta::No);
    EXPECT_EQ(interior.texto, QStringLiteral("interior"));
    EXPECT_EQ(CajaMensaje::registro().size(), 2);
}

TEST(CajaMensaje, TheSeamAnswersInAdvanceAndTestModeTakesTheDefault) {
    CajaMensaje::limpiaRegistro();
    const QString t = QStringLiteral("t");
    CajaMensaje::siguienteRespuesta(Respuesta::No);
    CajaMensaje::siguienteRespuesta(Respuesta::Si);
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("a"), Estilo::siNo(false), t),
              Respuesta::No);
    EXPECT_TRUE(CajaMensaje::confirma(nullptr, QStringLiteral("b"), t, true));
    // Nothing queued: the default button.
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("c"), Estilo::siNo(false), t),
              Respuesta::Si);
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("d"), Estilo::siNo(true), t),
              Respuesta::No);
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("e"), Icono::Informacion, t),
              Respuesta::Aceptar);
    EXPECT_FALSE(CajaMensaje::confirma(nullptr, QStringLiteral("f"), t, true));
    const auto vistos = CajaMensaje::registro();
    ASSERT_EQ(vistos.size(), 6);
    EXPECT_EQ(vistos[1].estilo,
              Estilo(Icono::Pregunta, Botones::SiNo, CajaMensaje::Predeterminado::Segundo));
    EXPECT_EQ(vistos[5].mensaje, QStringLiteral("f"));
    CajaMensaje::limpiaRegistro();
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
}

// A long run of the program must not keep every message it showed.
TEST(CajaMensaje, MessagesAreKeptOnlyWhileATestAsksForIt) {
    CajaMensaje::limpiaRegistro();
    CajaMensaje::anota(false);
    CajaMensaje::siguienteRespuesta(Respuesta::No);
    EXPECT_FALSE(CajaMensaje::confirma(nullptr, QStringLiteral("a"), QStringLiteral("t"), false));
    EXPECT_EQ(CajaMensaje::elige(nullptr, QStringLiteral("b"), Icono::Pregunta, QStringLiteral("t"),
                                 {QStringLiteral("Uno"), QStringLiteral("Salir")}, 0),
              0);
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
    CajaMensaje::anota(true);
    CajaMensaje::muestra(nullptr, QStringLiteral("c"), Icono::Critico, QStringLiteral("t"));
    ASSERT_EQ(CajaMensaje::registro().size(), 1);
    EXPECT_EQ(CajaMensaje::registro()[0].mensaje, QStringLiteral("c"));
}

TEST(AvisosVentana, MessagesGoToTheProgramsBoxInFrontOfTheMainWindow) {
    CajaMensaje::limpiaRegistro();
    QWidget principal;
    AvisosVentana avisos(&principal);
    CajaMensaje::siguienteRespuesta(Respuesta::Si);
    EXPECT_TRUE(avisos.Confirma(QStringLiteral("¿Seguro?"), QStringLiteral("Título"), true));
    EXPECT_EQ(
        avisos.MsgBox(QStringLiteral("Hecho"), Icono::Informacion, QStringLiteral("Atención")),
        Respuesta::Aceptar);
    const auto vistos = CajaMensaje::registro();
    ASSERT_EQ(vistos.size(), 2);
    EXPECT_EQ(vistos[0].estilo, Estilo::siNo(true));
    EXPECT_EQ(vistos[1].titulo, QStringLiteral("Atención"));
}

TEST_F(CajaReal, TheExtraButtonRunsItsActionAndTheBoxComesBackUntilAceptar) {
    Visto primero, segundo;
    int veces = 0;
    responde(primero, QStringLiteral("Ver informe"));
    const CajaMensaje::Accion accion{QStringLiteral("Ver informe"), [&] {
                                         ++veces;
                                         responde(segundo, QStringLiteral("Aceptar"));
                                     }};
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("Pedido generado"), Icono::Ninguno,
                                   QStringLiteral("Fin del proceso"), accion),
              Respuesta::Aceptar);
    EXPECT_EQ(veces, 1);
    EXPECT_EQ(primero.botones, (QStringList{"Aceptar", "Ver informe"}));
    EXPECT_EQ(primero.porOmision, QStringLiteral("Aceptar"));
    EXPECT_EQ(segundo.texto, QStringLiteral("Pedido generado"));
    ASSERT_EQ(CajaMensaje::registro().size(), 1);
    EXPECT_EQ(CajaMensaje::registro()[0].accion, QStringLiteral("Ver informe"));
}

TEST_F(CajaReal, AChoiceShowsItsButtonsInOrderAndAnswersTheIndexPressed) {
    const QStringList opciones{"Sólo los nuevos", "Todos otra vez", "Cancelar"};
    Visto v;
    responde(v, QStringLiteral("Todos otra vez"));
    EXPECT_EQ(CajaMensaje::elige(nullptr, QStringLiteral("uno\ndos"), Icono::Pregunta,
                                 QStringLiteral("Subir pedidos"), opciones, 2),
              1);
    EXPECT_EQ(v.botones, opciones);
    EXPECT_EQ(v.porOmision, QStringLiteral("Cancelar"));
    EXPECT_EQ(v.icono, QMessageBox::Question);
    EXPECT_EQ(v.texto, QStringLiteral("uno\ndos"));

    // Esc takes the last button, the way out.
    QTimer::singleShot(0, [] {
        if (QWidget* caja = QApplication::activeModalWidget())
            QTest::keyClick(caja, Qt::Key_Escape);
    });
    EXPECT_EQ(CajaMensaje::elige(nullptr, QStringLiteral("p"), Icono::Pregunta, QStringLiteral("t"),
                                 opciones, 0),
              2);
    ASSERT_EQ(CajaMensaje::registro().size(), 2);
    EXPECT_EQ(CajaMensaje::registro()[0].opciones, opciones);

    // In test mode with nothing queued: the default.
    CajaMensaje::modoPruebas(true);
    EXPECT_EQ(CajaMensaje::elige(nullptr, QStringLiteral("p"), Icono::Pregunta, QStringLiteral("t"),
                                 opciones, 0),
              0);
}

TEST_F(CajaReal, TheDriversTextAndTheStatementWaitBehindDetalles) {
    const QString mensaje =
        QStringLiteral("No se pudo leer la base de datos \"empresa1\": revise la red. (detalle: "
                       "Lost connection to server during query (2013))") +
        host::TextoConDetalle::instruccion(QStringLiteral("SELECT Id\nFROM pedidos"));
    QString texto, detalle, boton;
    QTimer::singleShot(0, [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja)
            return;
        texto = caja->text();
        detalle = caja->detailedText();
        auto* detalles = caja->findChild<QPushButton*>(QStringLiteral("cmdDetalles"));
        if (detalles) {
            detalles->click(); // shows them; the caption stays
            boton = visible(detalles);
        }
        caja->defaultButton()->click();
    });
    CajaMensaje::anota(true);
    CajaMensaje::muestra(nullptr, mensaje, Icono::Critico, QStringLiteral("Error"));
    EXPECT_EQ(texto,
              QStringLiteral("No se pudo leer la base de datos \"empresa1\": revise la red."));
    EXPECT_EQ(detalle, QStringLiteral("Lost connection to server during query (2013)\n"
                                      "Instrucción: SELECT Id FROM pedidos"));
    EXPECT_EQ(boton, QStringLiteral("Detalles"));
    ASSERT_EQ(CajaMensaje::registro().size(), 1);
    EXPECT_EQ(CajaMensaje::registro()[0].mensaje, mensaje);
    EXPECT_EQ(CajaMensaje::registro()[0].principal, texto);

    // A plain message has no such button.
    bool conBoton = true;
    QTimer::singleShot(0, [&] {
        if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            conBoton = caja->findChild<QPushButton*>(QStringLiteral("cmdDetalles")) != nullptr;
            caja->defaultButton()->click();
        }
    });
    CajaMensaje::muestra(nullptr, QStringLiteral("Pedido generado"), Icono::Ninguno,
                         QStringLiteral("Fin del proceso"));
    EXPECT_FALSE(conBoton);
}

TEST_F(CajaReal, AfterTheActionsWindowClosesTheFocusIsOnTheBoxsOwnAnswer) {
    QString enfocado;
    const CajaMensaje::Accion accion{
        QStringLiteral("Ver informe"), [&] {
            QTimer::singleShot(0, [&] {
                auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!caja)
                    return;
                enfocado = visible(qobject_cast<QAbstractButton*>(caja->focusWidget()));
                caja->defaultButton()->click();
            });
        }};
    // Pressed from the keyboard, as a clerk does: the button has the focus.
    QTimer::singleShot(0, [] {
        if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            auto* accion = caja->findChild<QPushButton*>(QStringLiteral("cmdAccion"));
            accion->setFocus();
            QTest::keyClick(accion, Qt::Key_Space);
        }
    });
    EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("Pedido generado"), Icono::Ninguno,
                                   QStringLiteral("Fin del proceso"), accion),
              Respuesta::Aceptar);
    EXPECT_EQ(enfocado, QStringLiteral("Aceptar"));
}
