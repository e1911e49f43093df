#include "shell/TraduccionQt.h"
#include "EntornoVentana.h"
#include "import/ventanas/Subir.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

using pruebas::espera;
using pruebas::hijo;

namespace {

// The entries of the menu the right button opens on the widget, without their "&".
QStringList menuContextual(QWidget& w) {
    QStringList entradas;
    QContextMenuEvent evento(QContextMenuEvent::Mouse, w.rect().center(),
                             w.mapToGlobal(w.rect().center()));
    // The menu may be run in a loop of its own: it is read and closed from inside it.
    QTimer lector;
    QObject::connect(&lector, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                entradas << a->text().remove(u'&').section(u'\t', 0, 0);
        menu->close();
        lector.stop();
    });
    lector.start(10);
    QApplication::sendEvent(&w, &evento);
    espera([&] { return !lector.isActive(); });
    return entradas;
}

} // namespace

TEST(TraduccionQt, TextBoxMenusAndStandardButtonsAreSpanishOnceInstalled) {
    std::unique_ptr<QTranslator> traduccion(traduccionQt::instala());
    ASSERT_TRUE(traduccion) << "falta qtbase_es.qm (paquete qt6-translations-l10n)";

    Programa programa;
    Subir ventana(programa);
    ventana.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));
    auto* caja = hijo<QLineEdit>(ventana, "txtArchivo");
    caja->setText(QStringLiteral("pedidos"));
    caja->selectAll();
    const QStringList entradas = menuContextual(*caja);
    for (const char* espanol : {"Deshacer", "Cortar", "Copiar", "Pegar", "Seleccionar todo"})
        EXPECT_TRUE(entradas.contains(QString::fromUtf8(espanol), Qt::CaseInsensitive))
            << espanol << ": " << entradas.join(u'|').toStdString();
    for (const char* ingles : {"Undo", "Cut", "Copy", "Paste", "Select All"})
        EXPECT_FALSE(entradas.contains(QString::fromUtf8(ingles))) << ingles;

    QDialogButtonBox botones(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(botones.button(QDialogButtonBox::Cancel)->text().remove(u'&'),
              QStringLiteral("Cancelar"));
}

// Qt's Spanish says "fichero"; the file dialog says "archivo", as the users do, and keeps the
// rest of Qt's Spanish.
TEST(TraduccionQt, TheFileDialogSaysArchivo) {
    std::unique_ptr<QTranslator> traduccion(traduccionQt::instala());
    ASSERT_TRUE(traduccion) << "falta qtbase_es.qm (paquete qt6-translations-l10n)";
    QFileDialog dialogo(nullptr, QStringLiteral("Abrir"), QString(),
                        QStringLiteral("Pedidos (*.txt)"));
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.show();
    QStringList textos;
    for (const QLabel* l : dialogo.findChildren<QLabel*>())
        textos << l->text().remove(u'&');
    const QString todos = textos.join(u'|');
    EXPECT_TRUE(textos.contains(QStringLiteral("Nombre de archivo:"))) << todos.toStdString();
    EXPECT_TRUE(textos.contains(QStringLiteral("Archivos de tipo:"))) << todos.toStdString();
    EXPECT_FALSE(todos.contains(QStringLiteral("ichero"), Qt::CaseInsensitive))
        << todos.toStdString();
    dialogo.close();

    // Only the word changes, in either case and number; other words that hold it stay.
    EXPECT_EQ(traduccionQt::enPalabrasDeUsuario(QStringLiteral("El fichero ya existe. Ficheros")),
              QStringLiteral("El archivo ya existe. Archivos"));
    EXPECT_EQ(traduccionQt::enPalabrasDeUsuario(QStringLiteral("ficheroX")),
              QStringLiteral("ficheroX"));
}
