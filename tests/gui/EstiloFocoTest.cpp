#include "shell/ventanas/EstiloFoco.h"

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A light palette as the system gives it, a dark theme, and one whose disabled texts are
// nearly the background (as some themes have them).
std::vector<std::pair<const char*, QPalette>> paletas() {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette clara = fusion->standardPalette();
    QPalette oscura(QColor(0x35, 0x35, 0x35));
    oscura.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    oscura.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    oscura.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    oscura.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    oscura.setColor(QPalette::Highlight, QColor(0x2a, 0x3a, 0x5a)); // too faint to mark focus
    for (auto rol : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        oscura.setColor(QPalette::Disabled, rol, QColor(0x4a, 0x4a, 0x4a));
    QPalette palida = clara;
    for (auto rol : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palida.setColor(QPalette::Disabled, rol, QColor(0xe6, 0xe6, 0xe6));
    return {{"clara", clara}, {"oscura", oscura}, {"pálida", palida}};
}

} // namespace

TEST(EstiloFoco, ContrastIsCountedAsTheGuidelinesDo) {
    EXPECT_NEAR(EstiloFoco::contraste(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(EstiloFoco::contraste(Qt::white, Qt::white), 1.0, 0.01);
    EXPECT_NEAR(EstiloFoco::contraste(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.02);
}

TEST(EstiloFoco, FocusAndDisabledTextsKeepThreeToOneInLightAndDarkPalettes) {
    for (const auto& [nombre, original] : paletas()) {
        SCOPED_TRACE(nombre);
        const QPalette p = EstiloFoco::paletaLegible(original);
        EXPECT_GE(EstiloFoco::contraste(EstiloFoco::colorFoco(p),
                                        p.color(QPalette::Active, QPalette::Window)),
                  3.0);
        const std::pair<QPalette::ColorRole, QPalette::ColorRole> pares[] = {
            {QPalette::WindowText, QPalette::Window},
            {QPalette::Text, QPalette::Base},
            {QPalette::ButtonText, QPalette::Button}};
        for (const auto& [texto, fondo] : pares) {
            EXPECT_GE(EstiloFoco::contraste(p.color(QPalette::Disabled, texto),
                                            p.color(QPalette::Disabled, fondo)),
                      3.0);
            // Still told apart from the enabled text.
            EXPECT_NE(p.color(QPalette::Disabled, texto), p.color(QPalette::Active, texto));
            // The enabled colours are the user's.
            EXPECT_EQ(p.color(QPalette::Active, texto), original.color(QPalette::Active, texto));
        }
    }
}

TEST(EstiloFoco, AFocusedButtonOrFieldIsDrawnWithATwoPixelOutline) {
    EstiloFoco estilo(QStringLiteral("Fusion"));
    const QPalette paleta = EstiloFoco::paletaLegible(estilo.standardPalette());
    const QColor foco = EstiloFoco::colorFoco(paleta);
    // A button, an entry field, and the frame of a grid (drawn as a control).
    for (int elemento : {int(QStyle::PE_PanelButtonCommand), int(QStyle::PE_PanelLineEdit), -1}) {
        for (bool conFoco : {true, false}) {
            QImage imagen(120, 40, QImage::Format_RGB32);
            imagen.fill(paleta.color(QPalette::Window));
            QStyleOptionFrame opcion;
            opcion.rect = imagen.rect();
            opcion.palette = paleta;
            opcion.state =
                QStyle::State_Enabled | (conFoco ? QStyle::State_HasFocus : QStyle::State_None);
            opcion.lineWidth = 1;
            opcion.frameShape = QFrame::StyledPanel;
            {
                QPainter pintor(&imagen);
                if (elemento < 0)
                    estilo.drawControl(QStyle::CE_ShapedFrame, &opcion, &pintor);
                else
                    estilo.drawPrimitive(QStyle::PrimitiveElement(elemento), &opcion, &pintor);
            }
            // Both outer pixel rings, on every side.
            for (const QPoint punto :
                 {QPoint(0, 20), QPoint(1, 20), QPoint(119, 20), QPoint(118, 20), QPoint(60, 0),
                  QPoint(60, 1), QPoint(60, 39), QPoint(60, 38)})
                EXPECT_EQ(QColor(imagen.pixel(punto)) == foco, conFoco)
                    << elemento << " at " << punto.x() << "," << punto.y();
        }
    }
}
