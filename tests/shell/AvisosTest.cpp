#include "EntornoShell.h"
#include "shell/AvisosConsola.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using pruebas::AvisosRegistrados;
using Botones = Avisos::Botones;
using Estilo = Avisos::Estilo;
using Icono = Avisos::Icono;
using Respuesta = Avisos::Respuesta;

TEST(Avisos, ConfirmaAsksYesNoAddsTheDefaultNoAndIsTrueOnlyOnYes) {
    AvisosRegistrados avisos;
    avisos.respuestas = {Respuesta::Si, Respuesta::No, Respuesta::Aceptar, Respuesta::Ninguna,
                         Respuesta::Si};
    EXPECT_TRUE(avisos.Confirma(QStringLiteral("¿Desea cerrar este programa?"),
                                QStringLiteral("Finalizar"), true));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), true));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
    EXPECT_TRUE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
    ASSERT_EQ(avisos.vistos.size(), 5);
    EXPECT_EQ(avisos.vistos[0].estilo,
              Estilo(Icono::Pregunta, Botones::SiNo, Avisos::Predeterminado::Segundo));
    EXPECT_EQ(avisos.vistos[0].titulo, QStringLiteral("Finalizar"));
    EXPECT_EQ(avisos.vistos[2].estilo, Estilo(Icono::Pregunta, Botones::SiNo));
}

TEST(Avisos, AFailingBoxTellsTheErrorOnceAndNeverCallsItselfAgain) {
    AvisosRegistrados avisos;
    avisos.falla = true;
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("hola"), Icono::Informacion, QStringLiteral("Aviso")),
              Respuesta::Ninguna);
    ASSERT_EQ(avisos.vistos.size(), 2);
    EXPECT_EQ(avisos.vistos[1].prompt, QStringLiteral("Error 0, sin pantalla"));
    EXPECT_EQ(avisos.vistos[1].estilo, Avisos::Icono::Critico);
    EXPECT_EQ(avisos.vistos[1].titulo, QStringLiteral("Error"));
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
}

TEST(Avisos, OpeningADocumentThatFailsIsTold) {
    QTemporaryDir dir;
    AvisosRegistrados avisos;
    host::DeArchivos archivos([](const QString&, const QStringList&) { return true; });
    EXPECT_FALSE(avisos.AbreDocumento(archivos, dir.filePath(QStringLiteral("falta.ini"))));
    ASSERT_EQ(avisos.vistos.size(), 1);
    EXPECT_EQ(avisos.vistos[0].estilo, Avisos::Icono::Exclamacion);
    EXPECT_TRUE(avisos.vistos[0].prompt.contains(QStringLiteral("falta.ini")));
}

TEST(AvisosConsola, WritesTheSameWordsAndAnswersQuestionsWithTheSafeAnswer) {
    QString texto;
    QTextStream flujo(&texto);
    AvisosConsola avisos(flujo);
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("¿Desea editar?"), Estilo::siNo(false),
                            QStringLiteral("Editar INI")),
              Avisos::Respuesta::No);
    EXPECT_FALSE(avisos.Confirma(QStringLiteral("¿Seguro?"), QStringLiteral("F"), false));
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("m"), {Icono::Pregunta, Botones::SiNoCancelar},
                            QStringLiteral("t")),
              Avisos::Respuesta::Cancelar);
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("m"), {Icono::Ninguno, Botones::AceptarCancelar},
                            QStringLiteral("t")),
              Avisos::Respuesta::Cancelar);
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("m"),
                            {Icono::Ninguno, Botones::AbortarReintentarIgnorar},
                            QStringLiteral("t")),
              Avisos::Respuesta::Abortar);
    texto.clear();
    EXPECT_EQ(avisos.MsgBox(QStringLiteral("Línea uno\n\nLínea dos"), Icono::Critico,
                            QStringLiteral("Atención")),
              Avisos::Respuesta::Aceptar);
    flujo.flush();
    EXPECT_EQ(texto, QStringLiteral("Atención: Línea uno\n\nLínea dos\n"));
}
