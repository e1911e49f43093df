#include "data/ErrorTransferencia.h"
#include "data/EscritorTransferencia.h"
#include "data/FormatoTransferencia.h"
#include "data/LectorTransferencia.h"
#include "shell/host/CodificacionAnsi.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace transferencia;
using host::CodificacionAnsi;

namespace {

QByteArray ansi(const char* utf8) {
    QByteArray b;
    CodificacionAnsi::codifica(QString::fromUtf8(utf8), b);
    return b;
}

// Every record of the bytes, as lists of field values.
std::vector<QStringList> lee(const QByteArray& bytes, std::vector<bool>* encabezados = nullptr) {
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    LectorTransferencia lector(buf);
    Registro r;
    std::vector<QStringList> salida;
    while (lector.siguiente(r)) {
        QStringList campos;
        for (const Campo& c : r.campos)
            campos << c.valor;
        salida.push_back(campos);
        if (encabezados)
            encabezados->push_back(r.encabezado);
    }
    return salida;
}

// A header record of 40 fields and a line record of 21, written by hand: the given fields
// (as many as there are separating commas, unless told) and zeros for the rest.
QByteArray completa(const QByteArray& primeros, int total, int presentes) {
    QByteArray b = primeros;
    for (int campos = presentes ? presentes : int(b.count(',')) + 1; campos < total; ++campos)
        b += ",0";
    return b + "\r\n";
}
QByteArray encabezado(const QByteArray& primeros, int presentes = 0) {
    return completa(primeros, camposEncabezado, presentes);
}
QByteArray renglon(const QByteArray& primeros, int presentes = 0) {
    return completa(primeros, camposRenglon, presentes);
}

} // namespace

TEST(CodificacionAnsi, SpanishLettersAndTheSymbolsOf0x80To0x9FRoundTrip) {
    const QString texto = QString::fromUtf8("Año ñÑ áéíóú ¿¡ü € “comillas” – … Œ ž");
    QByteArray bytes;
    EXPECT_EQ(CodificacionAnsi::codifica(texto, bytes), 0);
    EXPECT_EQ(bytes.size(), texto.size()); // one byte per character
    EXPECT_EQ(bytes.at(1), char(0xF1));    // ñ
    EXPECT_EQ(ansi("€"), QByteArray("\x80"));
    EXPECT_EQ(ansi("¿"), QByteArray("\xBF"));
    EXPECT_EQ(CodificacionAnsi::decodifica(bytes), texto);

    // The same from UTF-8 bytes, as the server hands them over.
    QByteArray desdeUtf8;
    EXPECT_EQ(CodificacionAnsi::codificaUtf8(texto.toUtf8(), desdeUtf8), 0);
    EXPECT_EQ(desdeUtf8, bytes);

    // Every byte decodes to something that encodes back to it.
    QByteArray todos;
    for (int b = 0; b < 256; ++b)
        todos += char(b);
    QByteArray otraVez;
    EXPECT_EQ(CodificacionAnsi::codifica(CodificacionAnsi::decodifica(todos), otraVez), 0);
    EXPECT_EQ(otraVez, todos);
}

TEST(CodificacionAnsi, CharactersOutsideTheCodePageBecomeQuestionMarksAndAreCounted) {
    QByteArray bytes;
    // Polish ł, a Greek letter, an emoji (one character, two UTF-16 units) and a C1 control.
    EXPECT_EQ(CodificacionAnsi::codifica(QString::fromUtf8("ał β 😀\u0080"), bytes), 4);
    EXPECT_EQ(bytes, QByteArray("a? ? ??"));
    bytes.clear();
    EXPECT_EQ(CodificacionAnsi::codificaUtf8(QByteArray("x\xC5\x82y\xF0\x9F\x98\x80"), bytes), 2);
    EXPECT_EQ(bytes, QByteArray("x?y?"));
    // Bytes that are not UTF-8 at all are not copied blindly.
    bytes.clear();
    EXPECT_EQ(CodificacionAnsi::codificaUtf8(QByteArray("a\xFF\xC3"), bytes), 2);
    EXPECT_EQ(bytes, QByteArray("a??"));
}

TEST(EscritorTransferencia, WritesEachKindOfFieldAsTheFormatSays) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    EscritorTransferencia w(buf);
    w.texto(u"M");
    w.numero("12.50");
    w.entero(-3);
    w.logico(true);
    w.logico(false);
    w.nulo();
    w.fecha(QDate(2026, 1, 5));
    w.fechaHora(QDateTime(QDate(2026, 1, 5), QTime(9, 30, 0)));
    w.fechaHora(QDateTime(QDate(2026, 1, 5), QTime(0, 0)));
    w.fechaTexto(QDate(2026, 2, 3));
    EXPECT_EQ(w.texto(QString::fromUtf8("Dijo \"sí\", ¿ok? ł")), 1);
    w.finRegistro();
    w.texto(u"D");
    w.finRegistro();
    w.termina();
    EXPECT_EQ(w.registros(), 2);
    EXPECT_EQ(buf.data(), QByteArray("\"M\",12.50,-3,#TRUE#,#FALSE#,#NULL#,#2026-01-05#,"
                                     "#2026-01-05 09:30:00#,#2026-01-05#,\"03/feb/2026\","
                                     "\"Dijo 'sí', \xBFok? ?\"\r\n\"D\"\r\n")
                              .replace("í", "\xED"));
}

TEST(EscritorTransferencia, AFailedWriteIsReported) {
    QBuffer buf; // never opened: every write fails
    EscritorTransferencia w(buf);
    w.texto(u"M");
    w.finRegistro();
    EXPECT_THROW(w.termina(), ErrorTransferencia);
}

TEST(LectorTransferencia, ReadsBlanksQuotesCommasAndGarbageByTheRules) {
    QByteArray archivo = encabezado("  \"M\",\t 7 ,\"A, B\"xyz ,\"\"basura, sin comillas  ", 5);
    archivo += renglon("\"D\",\"línea\r\ndos\",  \"x\"  ");
    const auto regs = lee(archivo.replace("í", "\xED"));
    ASSERT_EQ(regs.size(), 2u);
    ASSERT_EQ(regs[0].size(), camposEncabezado);
    EXPECT_EQ(regs[0][0], QStringLiteral("M"));
    EXPECT_EQ(regs[0][1], QStringLiteral("7"));            // blanks around dropped
    EXPECT_EQ(regs[0][2], QStringLiteral("A, B"));         // comma inside quotes
    EXPECT_EQ(regs[0][3], QString());                      // garbage after "" dropped
    EXPECT_EQ(regs[0][4], QStringLiteral("sin comillas")); // trailing blanks dropped
    ASSERT_EQ(regs[1].size(), camposRenglon);
    EXPECT_EQ(regs[1][1], QString::fromUtf8("línea\r\ndos"));
    EXPECT_EQ(regs[1][2], QStringLiteral("x"));
}

TEST(LectorTransferencia, OnlyExactlyMMakesAHeaderAndFieldsAreCountedAcrossLines) {
    // A header split over several lines is still one record of 40 fields.
    QByteArray partido = encabezado("M,1,2");
    partido.replace(",0,0,", ",0\r\n0,");
    QByteArray archivo = partido + renglon("\"m\",1") + renglon("\"X\",2") + renglon("\"M \",3") +
                         renglon("\"D\",4");
    std::vector<bool> tipos;
    const auto regs = lee(archivo, &tipos);
    ASSERT_EQ(regs.size(), 5u);
    EXPECT_EQ(tipos, (std::vector<bool>{true, false, false, false, false}));
    EXPECT_EQ(regs[1][1], QStringLiteral("1"));
    EXPECT_EQ(regs[3][0], QStringLiteral("M ")); // quoted blank kept: not a header
    EXPECT_EQ(regs[4][1], QStringLiteral("4"));
}

TEST(LectorTransferencia, EndsAtARecordBoundaryAndRefusesAFileCutInsideARecord) {
    EXPECT_TRUE(lee(QByteArray()).empty());
    EXPECT_TRUE(lee(QByteArray(" \r\n\r\n")).empty());
    // No line end after the last record, or blank lines behind it, are both fine.
    QByteArray uno = renglon("\"D\",1");
    EXPECT_EQ(lee(uno.chopped(2)).size(), 1u);
    EXPECT_EQ(lee(uno + "\r\n  \r\n\n").size(), 1u);
    // Blank lines in front of, between and behind records are no fields; inside a record a
    // line end still separates fields like a comma.
    const QByteArray cabeza = encabezado("\"M\",7");
    const auto regs = lee("\r\n \t\r\n" + cabeza + "\r\n\r\n" + renglon("\"D\",1\r\n2", 3) +
                          "\n\r\n" + cabeza + "\r\n");
    ASSERT_EQ(regs.size(), 3u);
    EXPECT_EQ(regs[0][1], QStringLiteral("7"));
    EXPECT_EQ(regs[1][1], QStringLiteral("1"));
    EXPECT_EQ(regs[1][2], QStringLiteral("2"));
    EXPECT_EQ(regs[2][0], QStringLiteral("M"));

    QByteArray cortado = renglon("\"D\",1") + encabezado("\"M\",2").left(30);
    try {
        lee(cortado);
        FAIL() << "a file cut inside a record was read";
    } catch (const ErrorTransferencia& e) {
        EXPECT_EQ(e.linea(), 2);
        EXPECT_TRUE(e.mensaje().contains(QStringLiteral("línea 2"))) << e.mensaje().toStdString();
    }
    EXPECT_THROW(lee(renglon("\"D\",\"sin cerrar")), ErrorTransferencia);
    EXPECT_THROW(lee(renglon("\"D\",1") + "\"D\",2,"), ErrorTransferencia);
}

TEST(LectorTransferencia, ReadsBackWhatTheWriterWroteFieldForField) {
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    EscritorTransferencia w(buf);
    std::vector<QStringList> esperado;
    for (int r = 0; r < 3000; ++r) { // several read buffers' worth
        QStringList campos{QStringLiteral("M")};
        w.texto(u"M");
        for (int i = 1; i < camposEncabezado; ++i) {
            const QString t = QString::fromUtf8("ñ,á\r\n¿%1 %2 ").arg(r).arg(i);
            if (i % 3 == 0) {
                w.numero(QByteArray::number(r * 0.25 - i));
                campos << QString::number(r * 0.25 - i);
            } else {
                w.texto(t);
                campos << t;
            }
        }
        w.finRegistro();
        esperado.push_back(campos);
    }
    w.termina();
    EXPECT_EQ(lee(buf.data()), esperado);
}

TEST(FormatoTransferencia, TxtIsAddedOnlyWhenTheNameLacksItInAnyCase) {
    EXPECT_EQ(nombreArchivo(QStringLiteral("  pedidos ")), QStringLiteral("pedidos.txt"));
    EXPECT_EQ(nombreArchivo(QStringLiteral("Pedidos.TXT")), QStringLiteral("Pedidos.TXT"));
    EXPECT_EQ(nombreArchivo(QStringLiteral("a.txt.bak")), QStringLiteral("a.txt.bak"));
    EXPECT_EQ(nombreArchivo(QStringLiteral("a.tx")), QStringLiteral("a.tx.txt"));
    EXPECT_EQ(nombreArchivo(QStringLiteral("   ")), QString());
    EXPECT_EQ(nombreCampo(true, 40), QStringLiteral("Precio"));
    EXPECT_EQ(nombreCampo(false, 5), QStringLiteral("Cantidad"));
}
