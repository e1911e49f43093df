#include "EntornoVentana.h"
#include "description/ventanas/frmDescripcion.h"
#include "shell/Arranque.h"
#include "shell/host/ArchivoIni.h"
#include "shell/ventanas/AyudaVentana.h"

#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTextEdit>
#include <gtest/gtest.h>

using pruebas::EntornoVentana;
using pruebas::escribeArchivo;
using pruebas::espera;

namespace {

// A program started from the scratch folder, without its main window.
struct EntornoDescripcion : EntornoVentana {
    EntornoDescripcion() {
        iniConKorvan();
        if (!arranque::arranca(programa, ejecutable()))
            throw std::runtime_error("no arrancó");
    }
    QString texto() const { return ruta(QStringLiteral("acumulapedidos.txt")); }
    // Shown and past its first activation.
    QPointer<frmDescripcion> abre() {
        QPointer<frmDescripcion> d = new frmDescripcion(programa);
        d->muestra();
        espera([&] { return !d || !d->primeraActivacionPendiente(); });
        return d;
    }
};

QTextEdit* caja(frmDescripcion& d) {
    return d.findChild<QTextEdit*>(QStringLiteral("rtbTexto"));
}

} // namespace

TEST(frmDescripcion, WithoutTheFileItSaysSoOnceAndCloses) {
    EntornoDescripcion e;
    QPointer<frmDescripcion> d = e.abre();
    EXPECT_TRUE(espera([&] { return d.isNull(); })); // closed and deleted
    const auto vistos = CajaMensaje::registro();
    ASSERT_EQ(vistos.size(), 1);
    EXPECT_EQ(vistos[0].mensaje, QStringLiteral("No existe el archivo de ayuda"));
    EXPECT_EQ(vistos[0].titulo, QStringLiteral("Error"));
    EXPECT_EQ(vistos[0].estilo, CajaMensaje::Icono::Critico);
}

TEST(frmDescripcion, TheTextIsLoadedOnceAsPlainText) {
    EntornoDescripcion e;
    // Written on Windows: "Descripción" in Windows-1252, and markup that must stay text.
    escribeArchivo(e.texto(), "Descripci\xf3n <b>uno</b>\r\nsegunda l\xednea");
    QPointer<frmDescripcion> d = e.abre();
    ASSERT_FALSE(d.isNull());
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Descripción del programa"));
    EXPECT_EQ(caja(*d)->toPlainText(), QStringLiteral("Descripción <b>uno</b>\nsegunda línea"));

    escribeArchivo(e.texto(), "otro texto");
    d->hide();
    d->muestra();
    QCoreApplication::processEvents();
    EXPECT_EQ(caja(*d)->toPlainText(), QStringLiteral("Descripción <b>uno</b>\nsegunda línea"));
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
    d->close();
}

TEST(frmDescripcion, AWindowClosedBeforeItCameUpLooksForNothing) {
    EntornoDescripcion e;
    QPointer<frmDescripcion> d = new frmDescripcion(e.programa);
    d->muestra();
    d->close();
    EXPECT_TRUE(espera([&] { return d.isNull(); }));
    EXPECT_TRUE(CajaMensaje::registro().isEmpty());
}

TEST(frmDescripcion, ATinyWindowKeepsATextBoxOfItsLowerBound) {
    EntornoDescripcion e;
    escribeArchivo(e.texto(), "texto");
    QPointer<frmDescripcion> d = e.abre();
    ASSERT_FALSE(d.isNull());
    EXPECT_EQ(caja(*d)->pos(), QPoint(0, 0));
    EXPECT_EQ(caja(*d)->size(), d->size());
    d->resize(3, 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(caja(*d)->size(), frmDescripcion::tamanoMinimoTexto());
    d->resize(700, 500);
    EXPECT_EQ(caja(*d)->size(), QSize(700, 500));
    d->close();
}

TEST(frmDescripcion, ThePlacementIsKeptWithItsSize) {
    EntornoDescripcion e;
    escribeArchivo(e.texto(), "texto");
    QPointer<frmDescripcion> d = new frmDescripcion(e.programa);
    // Never placed before: centred on the screen, design size.
    const QSize diseno = frmDescripcion::tamanoDiseno();
    const Geometria area = AyudaVentana::pantallas().areas.first();
    EXPECT_EQ(d->pos(), QPoint(area.left + (area.width - diseno.width()) / 2,
                               area.top + (area.height - diseno.height()) / 2));
    EXPECT_EQ(d->size(), diseno);
    d->move(30, 40);
    d->resize(500, 300);
    d->close();
    const auto lee = [&](const char* clave) {
        return host::ArchivoIni::leeValor(e.programa.archivoIni, QStringLiteral("frmDescripcion"),
                                          QString::fromUtf8(clave));
    };
    EXPECT_EQ(lee("Ventana"), QStringLiteral("Descripción del programa"));
    EXPECT_EQ(lee("Linea"), QStringLiteral("600")); // twips at 96 dpi
    EXPECT_EQ(lee("Columna"), QStringLiteral("450"));
    EXPECT_EQ(lee("Ancho"), QStringLiteral("7500"));
    EXPECT_EQ(lee("Alto"), QStringLiteral("4500"));

    d = new frmDescripcion(e.programa);
    EXPECT_EQ(d->geometry().topLeft(), QPoint(30, 40));
    EXPECT_EQ(d->size(), QSize(500, 300));
    delete d;
}

TEST(frmDescripcion, TheMenuShowsTheWindowOrOpensTheIni) {
    EntornoDescripcion e;
    escribeArchivo(e.texto(), "texto");
    auto* d = new frmDescripcion(e.programa);
    QPointer<frmDescripcion> guarda(d);
    auto* descrip = d->findChild<QAction*>(QStringLiteral("mnDescrip"));
    auto* editaIni = d->findChild<QAction*>(QStringLiteral("mnEditINI"));
    ASSERT_TRUE(descrip && editaIni);
    // A pop-up only: the window has no menu bar of its own.
    EXPECT_EQ(d->findChild<QMenuBar*>(), nullptr);
    EXPECT_EQ(d->menu()->title(), QStringLiteral("Uno"));
    editaIni->trigger();
    EXPECT_EQ(e.abiertos, QStringList{e.programa.archivoIni});
    descrip->trigger();
    EXPECT_TRUE(d->isVisible());
    d->close();
}
