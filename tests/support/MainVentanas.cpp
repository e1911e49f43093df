// Entry point of the window tests: one QApplication on Qt's offscreen platform (unless
// another is asked for), and message boxes that never wait for a person and keep what they
// asked for the tests to read.
#include "shell/ventanas/AjustePantalla.h"
#include "shell/ventanas/CajaMensaje.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The windows are tested as the program opens them: fitted to the screen.
    AjustePantalla::instala();
    CajaMensaje::modoPruebas(true);
    CajaMensaje::anota(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
