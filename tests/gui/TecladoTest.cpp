#include "EntornoVentana.h"
#include "accumulation/ventanas/TabAcumular.h"
#include "description/ventanas/frmDescripcion.h"
#include "export/ventanas/BajarPedidos.h"
#include "import/ventanas/Subir.h"
#include "journal/ventanas/frmBitacora.h"
#include "shell/host/ArchivoIni.h"
#include "shell/ventanas/InformeVentana.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using pruebas::EntornoVentana;
using pruebas::escribeArchivo;
using pruebas::espera;
using pruebas::hijo;

namespace {

// The main window of a program whose server refuses every connection at once, so that the
// windows open and fail quickly; the description file exists.
struct EntornoTeclado : EntornoVentana {
    EntornoTeclado() {
        iniConKorvan();
        escribeArchivo(ruta(QStringLiteral("acumulapedidos.txt")), "Descripción");
        v = abre();
        programa.bases->cRuta = QStringLiteral("127.0.0.1");
        programa.bases->cPuerto = 1;
        activa(*v);
    }
    ~EntornoTeclado() {
        CajaMensaje::siguienteRespuesta(CajaMensaje::Respuesta::Si);
        v->close();
    }

    // The window itself, not only its owner, takes the keys (activateWindow() does nothing
    // for a dialog whose owner is active).
    static void activa(QWidget& ventana) {
        if (QWindow* w = ventana.windowHandle())
            w->requestActivate();
        EXPECT_TRUE(espera([&] { return QApplication::activeWindow() == &ventana; }))
            << ventana.objectName().toStdString();
    }
    // The window the main window's button opens (modal), up and active.
    template <typename T> T* abreDesde(const char* boton) {
        hijo<QPushButton>(*v, boton)->click();
        T* ventana = nullptr;
        if (!espera([&] { return (ventana = v->findChild<T*>()) && ventana->isVisible(); }))
            throw std::runtime_error("no se abrió");
        activa(*ventana);
        return ventana;
    }
    frmDescripcion* descripcion() const {
        frmDescripcion* d = v->findChild<frmDescripcion*>();
        return d && d->isVisible() ? d : nullptr;
    }
    InformeVentana* abreInforme() {
        Informe informe;
        informe.columnas = {QStringLiteral("Pedido")};
        informe.renglones = {{QStringLiteral("A-1")}, {QStringLiteral("A-2")}};
        InformeVentana::muestra(v.get(), informe);
        auto* ventana = v->findChild<InformeVentana*>();
        if (!ventana)
            throw std::runtime_error("no se abrió el informe");
        activa(*ventana);
        return ventana;
    }
    std::unique_ptr<frmInicial> v;
};

// A server on loopback that takes connections and never says a word, until it is gone:
// then the connections waiting on it are dropped.
class ServidorMudo {
public:
    ServidorMudo() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in dir{};
        dir.sin_family = AF_INET;
        dir.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t largo = sizeof dir;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&dir), largo) != 0 ||
            ::listen(fd_, 4) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&dir), &largo) != 0)
            throw std::runtime_error("no se abrió el servidor mudo");
        puerto_ = ntohs(dir.sin_port);
    }
    ~ServidorMudo() { ::close(fd_); }
    ServidorMudo(const ServidorMudo&) = delete;
    ServidorMudo& operator=(const ServidorMudo&) = delete;
    unsigned puerto() const { return puerto_; }

private:
    int fd_;
    unsigned puerto_ = 0;
};

// Counts the close requests a window receives: the way its close button goes.
struct CuentaCierres : QObject {
    explicit CuentaCierres(QWidget& ventana) { ventana.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* evento) override {
        veces += evento->type() == QEvent::Close ? 1 : 0;
        return false;
    }
    int veces = 0;
};

void pulsa(QWidget* control, Qt::Key tecla) {
    control->setFocus();
    QTest::keyClick(control, tecla);
}

// Tab alone, from the control with the focus until it comes back there: the controls the
// focus went through.
QSet<QWidget*> recorre(QWidget& ventana) {
    QSet<QWidget*> alcanzados;
    QWidget* inicio = ventana.focusWidget();
    QWidget* foco = inicio;
    for (int vez = 0; foco && vez < 50; ++vez) {
        alcanzados.insert(foco);
        QTest::keyClick(foco, Qt::Key_Tab);
        foco = ventana.focusWidget();
        if (foco == inicio)
            break;
    }
    return alcanzados;
}

// Every control named must be reached, and so must every other control the user could
// give the focus to with Tab.
void recorreTodo(QWidget& ventana, const QStringList& nombres) {
    SCOPED_TRACE(ventana.objectName().toStdString());
    const QSet<QWidget*> alcanzados = recorre(ventana);
    QStringList faltan;
    for (const QString& nombre : nombres) {
        auto* control = ventana.findChild<QWidget*>(nombre);
        if (!control || !alcanzados.contains(control))
            faltan << nombre;
    }
    for (QWidget* w : ventana.findChildren<QWidget*>())
        if (w->window() == &ventana && w->isVisible() && w->isEnabled() && !w->focusProxy() &&
            (w->focusPolicy() & Qt::TabFocus) && !alcanzados.contains(w))
            faltan << QStringLiteral("%1 (%2)").arg(w->objectName(), w->metaObject()->className());
    EXPECT_TRUE(faltan.isEmpty()) << faltan.join(QStringLiteral(", ")).toStdString();
}

} // namespace

TEST(Teclado, TabAloneReachesEveryControlOfEachWindow) {
    EntornoTeclado e;
    hijo(*e.v, "Command1")->setFocus();
    recorreTodo(*e.v, {"Command1", "Command2", "Command3"});

    hijo<QPushButton>(*e.v, "Command1")->click();
    // The series and folio are read first (here they fail: there is no server).
    auto* tab = hijo<TabAcumular>(*e.v, "TabAcumular");
    ASSERT_TRUE(espera([&] { return !tab->leyendo(); }));
    // Once entered, the customer box may not be left empty: it holds a key.
    hijo<QLineEdit>(*e.v, "txtCliente")->setText(QStringLiteral("C1"));
    hijo(*e.v, "mskFecha(0)")->setFocus();
    recorreTodo(*e.v, {"mskFecha(0)", "mskFecha(1)", "txtCliente", "Command4", "cmbDato",
                       "txtFolio", "mskFecha(2)", "cmdRegresar"});
    hijo<QPushButton>(*e.v, "cmdRegresar")->click();

    auto* exportar = e.abreDesde<BajarPedidos>("Command2");
    recorreTodo(*exportar, {"mkeFecha(0)", "mkeFecha(1)", "cmdAceptar"});
    exportar->close();

    auto* importar = e.abreDesde<Subir>("Command3");
    recorreTodo(*importar, {"txtArchivo", "cmdAceptar", "cmdExaminar"});
    importar->close();

    frmBitacora* bitacora = frmBitacora::muestra(e.programa, e.v.get());
    EntornoTeclado::activa(*bitacora);
    ASSERT_TRUE(espera([&] { return !bitacora->ocupado(); }));
    hijo(*bitacora, "mkeFecha(0)")->setFocus();
    recorreTodo(*bitacora, {"mkeFecha(0)", "mkeFecha(1)", "cmbOperacion", "cmdConsultar",
                            "mhgCorridas", "mhgPedidos"});
    bitacora->close();

    InformeVentana* informe = e.abreInforme();
    hijo(*informe, "tblRenglones")->setFocus();
    recorreTodo(*informe, {"tblRenglones", "cmdCopiar", "cmdGuardar", "cmdImprimir", "cmdCerrar"});
    informe->close();

    e.v->descripcion()->muestra();
    ASSERT_TRUE(espera([&] { return e.descripcion() != nullptr; }));
    EntornoTeclado::activa(*e.descripcion());
    recorreTodo(*e.descripcion(), {"rtbTexto"});
}

// Return on a button with the focus presses that button, never the window's default one;
// in an entry field it still moves on to the next field.
TEST(Teclado, EnterPressesTheFocusedButtonAndMovesOnFromAField) {
    EntornoTeclado e;
    auto* tabs = hijo<QTabWidget>(*e.v, "sstTabs");
    pulsa(hijo(*e.v, "Command1"), Qt::Key_Return);
    EXPECT_EQ(tabs->currentIndex(), 1);
    pulsa(hijo(*e.v, "mskFecha(0)"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), hijo(*e.v, "mskFecha(1)"));
    // "Buscar pedidos" fails on the refusing server: its message says it ran.
    CajaMensaje::limpiaRegistro();
    pulsa(hijo(*e.v, "Command4"), Qt::Key_Enter);
    EXPECT_TRUE(espera([&] { return !CajaMensaje::registro().isEmpty(); }));
    // The message comes before the search has quite ended; until then "Regresar" is off.
    auto* regresar = hijo<QPushButton>(*e.v, "cmdRegresar");
    EXPECT_TRUE(espera([&] { return regresar->isEnabled(); }));
    regresar->click();

    auto* exportar = e.abreDesde<BajarPedidos>("Command2");
    CajaMensaje::limpiaRegistro();
    pulsa(hijo(*exportar, "mkeFecha(0)"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), hijo(*exportar, "mkeFecha(1)"));
    EXPECT_FALSE(exportar->ocupado());
    pulsa(hijo(*exportar, "cmdAceptar"), Qt::Key_Return);
    EXPECT_TRUE(espera([&] { return !CajaMensaje::registro().isEmpty(); }));
    exportar->close();

    // In the report, "Cerrar" is the default button: Return on "Copiar" copies and stays.
    QPointer<InformeVentana> informe = e.abreInforme();
    pulsa(hijo(*informe, "cmdCopiar"), Qt::Key_Return);
    EXPECT_TRUE(informe->isVisible());
    EXPECT_EQ(hijo<QLabel>(*informe, "lblEstado")->text(),
              QStringLiteral("La lista quedó copiada en el portapapeles."));
    pulsa(hijo(*informe, "cmdCerrar"), Qt::Key_Return);
    EXPECT_TRUE(espera([&] { return informe.isNull(); }));
}

// F1 from any window shows the description where it can be used: above a window that holds
// the others. Escape closes it as its close button does, keeping its placement.
TEST(Teclado, F1ShowsTheDescriptionFromEveryWindowAndEscapeClosesIt) {
    EntornoTeclado e;
    const auto f1 = [&](QWidget* control, bool encima) {
        SCOPED_TRACE(control->objectName().toStdString());
        pulsa(control, Qt::Key_F1);
        ASSERT_TRUE(espera([&] { return e.descripcion() != nullptr; }));
        frmDescripcion* d = e.descripcion();
        EXPECT_EQ(QApplication::activeModalWidget() == d, encima);
        EntornoTeclado::activa(*d);
        QPointer<frmDescripcion> cerrada = d;
        pulsa(hijo(*d, "rtbTexto"), Qt::Key_Escape);
        EXPECT_TRUE(espera([&] { return cerrada.isNull(); }));
        EXPECT_FALSE(host::ArchivoIni::leeValor(e.programa.archivoIni,
                                                QStringLiteral("frmDescripcion"),
                                                QStringLiteral("Ventana"))
                         .isEmpty());
        EntornoTeclado::activa(*control->window());
    };
    f1(hijo(*e.v, "Command1"), false);
    hijo<QPushButton>(*e.v, "Command1")->click();
    f1(hijo(*e.v, "mskFecha(0)"), false);
    hijo<QPushButton>(*e.v, "cmdRegresar")->click();

    auto* exportar = e.abreDesde<BajarPedidos>("Command2");
    f1(hijo(*exportar, "mkeFecha(0)"), true);
    EXPECT_TRUE(exportar->isVisible()); // Escape closed only the description
    exportar->close();
    auto* importar = e.abreDesde<Subir>("Command3");
    f1(hijo(*importar, "txtArchivo"), true);
    importar->close();

    frmBitacora* bitacora = frmBitacora::muestra(e.programa, e.v.get());
    EntornoTeclado::activa(*bitacora);
    f1(hijo(*bitacora, "cmbOperacion"), false);
    bitacora->close();
    f1(hijo(*e.abreInforme(), "tblRenglones"), false);

    // Open beside the main window, it stands above the export window once F1 is pressed
    // there.
    e.v->descripcion()->muestra();
    exportar = e.abreDesde<BajarPedidos>("Command2");
    f1(hijo(*exportar, "cmdAceptar"), true);
}

// Escape closes the export and import windows as their close button does: not while their
// work runs.
TEST(Teclado, EscapeClosesExportAndImportOnlyWhenIdle) {
    EntornoTeclado e;
    QPointer<Subir> importar = e.abreDesde<Subir>("Command3");
    CuentaCierres cierresImportar(*importar);
    pulsa(hijo(*importar, "txtArchivo"), Qt::Key_Escape);
    EXPECT_TRUE(espera([&] { return importar.isNull(); }));
    EXPECT_EQ(cierresImportar.veces, 1);

    // A server that takes the connection and never answers keeps the search running.
    auto mudo = std::make_unique<ServidorMudo>();
    e.programa.bases->cPuerto = mudo->puerto();
    e.programa.baseExportar = QStringLiteral("mudo");
    QPointer<BajarPedidos> exportar = e.abreDesde<BajarPedidos>("Command2");
    CuentaCierres cierres(*exportar);
    pulsa(hijo(*exportar, "cmdAceptar"), Qt::Key_Return);
    ASSERT_TRUE(exportar->ocupado());
    CajaMensaje::limpiaRegistro();
    QTest::keyClick(exportar, Qt::Key_Escape);
    QTest::qWait(50); // on purpose: time for a close that must not happen
    ASSERT_FALSE(exportar.isNull());
    EXPECT_TRUE(exportar->isVisible());
    EXPECT_EQ(cierres.veces, 1);
    EXPECT_FALSE(exportar->close()); // the close button's answer is the same

    mudo.reset(); // the connection drops: the search ends with its error
    ASSERT_TRUE(espera([&] { return !exportar->ocupado(); }, 20000));
    EXPECT_EQ(CajaMensaje::registro().size(), 1);
    pulsa(hijo(*exportar, "mkeFecha(0)"), Qt::Key_Escape);
    EXPECT_TRUE(espera([&] { return exportar.isNull(); }));
    EXPECT_EQ(cierres.veces, 3);
}

// The question's buttons show "Sí" and "No"; Alt+S and Alt+N answer them, and Return
// answers the one with the focus, default or not.
TEST(Teclado, QuestionsAnswerToTheirMnemonicsAndToReturn) {
    CajaMensaje::modoPruebas(false);
    struct Caso {
        Qt::Key tecla;
        Qt::KeyboardModifiers modificadores;
        bool enfocaNo;
        CajaMensaje::Respuesta respuesta;
    };
    const Caso casos[] = {{Qt::Key_N, Qt::AltModifier, false, CajaMensaje::Respuesta::No},
                          {Qt::Key_S, Qt::AltModifier, true, CajaMensaje::Respuesta::Si},
                          {Qt::Key_Return, Qt::NoModifier, true, CajaMensaje::Respuesta::No}};
    for (const Caso& c : casos) {
        QStringList textos;
        QTimer::singleShot(0, [&] {
            auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!caja)
                return;
            if (!QTest::qWaitForWindowActive(caja)) {
                caja->reject();
                return;
            }
            for (QAbstractButton* b : caja->buttons())
                textos << b->text();

            if (c.enfocaNo)
                caja->buttons().last()->setFocus();
            QTest::keyClick(QApplication::focusWidget(), c.tecla, c.modificadores);
            // The mnemonic presses its button a moment later. Not answered: the test must
            // not hang on the box.
            if (!QTest::qWaitFor([caja] { return !caja->isVisible(); }, 1000))
                caja->reject();
        });
        EXPECT_EQ(CajaMensaje::muestra(nullptr, QStringLiteral("¿Desea proceder?"),
                                       CajaMensaje::Estilo::siNo(false),
                                       QStringLiteral("Pregunta")),
                  c.respuesta)
            << c.tecla;
        EXPECT_EQ(textos, (QStringList{"&Sí", "&No"}));
    }
    CajaMensaje::modoPruebas(true);
}
