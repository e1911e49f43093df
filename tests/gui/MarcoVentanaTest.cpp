#include "shell/ventanas/MarcoVentana.h"
#include "EntornoVentana.h"

#include <QDialog>
#include <QImage>
#include <QToolButton>
#include <gtest/gtest.h>

using pruebas::EntornoVentana;
using pruebas::hijo;

namespace {

// WCAG contrast ratio of two colours: 1 (none) to 21 (black on white).
double contraste(const QColor& a, const QColor& b) {
    auto luz = [](const QColor& c) {
        auto canal = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * canal(c.redF()) + 0.7152 * canal(c.greenF()) + 0.0722 * canal(c.blueF());
    };
    const double la = luz(a), lb = luz(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Pixels of the image close to white: the frame buttons' glyphs.
int blancos(const QImage& imagen) {
    int n = 0;
    for (int y = 0; y < imagen.height(); ++y)
        for (int x = 0; x < imagen.width(); ++x)
            n += contraste(imagen.pixelColor(x, y), Qt::white) < 1.3 ? 1 : 0;
    return n;
}

} // namespace

// Under the mouse, each frame button's highlight still lets its white glyph show, and the
// button says what it does.
TEST(MarcoVentana, FrameButtonsKeepTheirGlyphOnHoverAndSayWhatTheyDo) {
    EntornoVentana e;
    e.iniConKorvan();
    auto v = e.abre();
    for (const auto& [nombre, ayuda] :
         {std::pair{"MinimizarVentana", "Minimizar"}, std::pair{"CerrarVentana", "Cerrar"}}) {
        SCOPED_TRACE(nombre);
        auto* boton = hijo<QToolButton>(*v, nombre);
        EXPECT_EQ(boton->toolTip(), QString::fromUtf8(ayuda));
        boton->setAttribute(Qt::WA_UnderMouse, true);
        const QImage resaltado = boton->grab().toImage();
        boton->setAttribute(Qt::WA_UnderMouse, false);
        const QColor fondo = resaltado.pixelColor(2, resaltado.height() / 2);
        EXPECT_GE(contraste(fondo, Qt::white), 3.0) << fondo.name().toStdString();
        EXPECT_GT(blancos(resaltado), 10);
    }
}

// The program's icon is drawn (the SVG is in the program and Qt can read it), and the main
// window and the windows opened over it carry it.
TEST(MarcoVentana, TheWindowsCarryTheProgramIcon) {
    const QImage icono = MarcoVentana::icono().pixmap(32, 32).toImage();
    ASSERT_FALSE(icono.isNull());
    int pintados = 0;
    for (int y = 0; y < icono.height(); ++y)
        for (int x = 0; x < icono.width(); ++x)
            pintados += qAlpha(icono.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(pintados, 32 * 32 / 2);

    EntornoVentana e;
    e.iniConKorvan();
    auto v = e.abre();
    EXPECT_FALSE(v->windowIcon().isNull());
    QDialog sobre(v.get());
    EXPECT_EQ(sobre.windowIcon().cacheKey(), v->windowIcon().cacheKey());
}
