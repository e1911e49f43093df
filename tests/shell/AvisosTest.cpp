#include "EntornoShell.h"
#include "shell/AvisosConsola.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using pruebas::AvisosRegistrados;

TEST(Avisos, ConfirmaAsksYesNoAddsTheDefaultNoAndIsTrueOnlyOnYes) {
    AvisosRegistrados avisos;
    avisos.respuestas = {6, 7, 1, 0, 6};
    EXPECT_TRUE(avisos.Confirma(QStringLiteral("¿Desea cerrar este programa?"),
                                QStringLiteral("Finalizar"), true));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), true));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
    EXPECT_TRUE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
    ASSERT_EQ(avisos.vistos.size(), 5);
    EXPECT_EQ(avisos.vistos[0].botones, 36 + 256);
    EXPECT_EQ(avisos.vistos[0].titulo, QStringLiteral("Finalizar"));
    EXPECT_EQ(avisos.vistos[2].botones, 36);
}

TEST(Avisos, AFailingBoxTellsTheErrorOnceAndNeverCallsItselfAgain) {
    AvisosRegistrados avisos;
    avisos.falla = true;
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("hola"), 64, QStringLiteral("Aviso")), 0);
    ASSERT_EQ(avisos.vistos.size(), 2);
    EXPECT_EQ(avisos.vistos[1].prompt, QStringLiteral("Error 0, sin pantalla"));
    EXPECT_EQ(avisos.vistos[1].botones, 16);
    EXPECT_EQ(avisos.vistos[1].titulo, QStringLiteral("Error"));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
}

TEST(Avisos, OpeningADocumentThatFailsIsTold) {
    QTemporaryDir dir;
    AvisosRegistrados avisos;
    host::DeArchivos archivos([](const QString&, const QStringList&) { return true; });
    EXPECT_FALSE(avisos.AbreDocumento(archivos, dir.filePath(QStringLiteral("falta.ini"))));
    ASSERT_EQ(avisos.vistos.size(), 1);
    EXPECT_EQ(avisos.vistos[0].botones, 48);
    EXPECT_TRUE(avisos.vistos[0].prompt.contains(QStringLiteral("falta.ini")));
}

TEST(AvisosConsola, WritesTheSameWordsAndAnswersQuestionsWithTheSafeAnswer) {
    QString texto;
    QTextStream flujo(&texto);
    AvisosConsola avisos(flujo);
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("¿Desea editar?"), 36, QStringLiteral("Editar INI")),
              Avisos::RespuestaNo);
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("¿Seguro?"), QStringLiteral("F"), false));
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("m"), 3 + 32, QStringLiteral("t")),
              Avisos::RespuestaCancelar);
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("m"), 1, QStringLiteral("t")),
              Avisos::RespuestaCancelar);
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("m"), 2, QStringLiteral("t")), Avisos::RespuestaAbortar);
    texto.clear();
    EXPECT_EQ(
        avisos.MsgBox(QStringLiteral("Línea uno\r\rLínea dos"), 16, QStringLiteral("Atención")),
        Avisos::RespuestaAceptar);
    flujo.flush();
    EXPECT_EQ(texto, QStringLiteral("Atención: Línea uno\n\nLínea dos\n"));
}
