#include "ArchivoPrueba.h"
#include "import/Importacion.h"
#include "import/InformeImportacion.h"
#include "journal/Bitacora.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using importacion::SubePedidos;
using pruebas::BaseEmpresa;
using namespace prueba;

namespace {

importacion::ResultadoImportacion importa(BaseEmpresa& b, const QByteArray& bytes,
                                          bool revisar = false) {
    QTemporaryDir carpeta;
    importacion::OpcionesImportacion opciones{importacion::Importados::Repetir, revisar};
    return SubePedidos(b.conexion(), archivo(carpeta, bytes), carpeta.path(), {}, opciones);
}

// Three orders of series A with 2, 0 and 1 lines.
QByteArray tresPedidos() {
    return encabezado("A", "C1") + renglon("P1", "1") + renglon("P2", "2") + encabezado("A", "C1") +
           encabezado("A", "C2") + renglon("P3", "3");
}

QStringList textos(const importacion::ResultadoImportacion& r) {
    QStringList salida;
    for (const importacion::PedidoImportado& p : r.importados)
        salida << p.texto();
    return salida;
}

// Each stored order as "Id:folio:lines", in Id order.
QString guardados(BaseEmpresa& b) {
    return b.valor(QStringLiteral(
        "SELECT GROUP_CONCAT(CONCAT(p.Id, ':', p.Serie, '-', p.Factura, ':', (SELECT COUNT(*) "
        "FROM pedidosdetalle d WHERE d.Id=p.Id)) ORDER BY p.Id) FROM pedidos p"));
}

} // namespace

// A trigger of the import database that changes the Id or the folio the import gives: the
// orders keep their lines, and the report and the journal name what was stored.
TEST(DisparadoresImportacion, TheReportAndTheJournalNameTheIdAndFolioStored) {
    const QList<std::tuple<QString, QStringList, QString>> casos = {
        {QStringLiteral("SET NEW.Id=NEW.Id+500"),
         {"Id 501, folio A-1", "Id 502, folio A-2", "Id 503, folio A-3"},
         QStringLiteral("501:A-1:2,502:A-2:0,503:A-3:1")},
        {QStringLiteral("SET NEW.Factura=NEW.Factura+100"),
         {"Id 1, folio A-101", "Id 2, folio A-102", "Id 3, folio A-103"},
         QStringLiteral("1:A-101:2,2:A-102:0,3:A-103:1")},
    };
    for (const auto& [cuerpo, esperados, tabla] : casos) {
        BaseEmpresa b(QStringLiteral("imdisp"));
        b.ejecuta(QStringLiteral("CREATE TRIGGER cambia BEFORE INSERT ON pedidos FOR EACH ROW %1")
                      .arg(cuerpo));
        const auto revision = importa(b, tresPedidos(), true);
        ASSERT_TRUE(revision.ok) << revision.mensaje.toStdString();
        EXPECT_EQ(textos(revision), esperados);
        EXPECT_TRUE(importacion::InformeImportacion::texto(revision).contains(esperados[2]));

        const auto r = importa(b, tresPedidos());
        ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
        EXPECT_EQ(textos(r), esperados);
        EXPECT_EQ(guardados(b), tabla);
        EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(IdNuevo, ':', PedidoNuevo) "
                                         "ORDER BY Id) FROM %1")
                              .arg(bitacora::EsquemaBitacora::tablaPedidos())),
                  QString(tabla).remove(QRegularExpression(QStringLiteral(":\\d(?=,|$)"))));
    }
}

// A stored order that cannot be told apart from the others (a trigger changes both its Id and
// its folio), or whose lines went elsewhere: nothing is kept, and the message says why.
TEST(DisparadoresImportacion, AnOrderThatCannotBeMatchedToItsLinesUndoesTheImport) {
    const QList<QPair<QString, QString>> casos = {
        {QStringLiteral("CREATE TRIGGER cambia BEFORE INSERT ON pedidos FOR EACH ROW SET "
                        "NEW.Id=NEW.Id+500, NEW.Factura=NEW.Factura+100"),
         QStringLiteral("no se pudo saber con qué Id y folio quedó guardado")},
        {QStringLiteral("CREATE TRIGGER cambia BEFORE INSERT ON pedidosdetalle FOR EACH ROW SET "
                        "NEW.Id=NEW.Id+1"),
         QStringLiteral("no quedaron con los renglones del archivo")},
    };
    for (const auto& [disparador, motivo] : casos) {
        BaseEmpresa b(QStringLiteral("imdisp"));
        b.ejecuta(disparador);
        const QString antes = estado(b);
        const auto r = importa(b, tresPedidos());
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.contains(motivo)) << r.mensaje.toStdString();
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("La importación se deshizo por completo")))
            << r.mensaje.toStdString();
        EXPECT_EQ(estado(b), antes);
    }
}

// A register of imported orders that refuses its rows (a trigger of the host's): the import
// is undone whole and says why, whether the file's fingerprints go to the register before the
// orders (the default) or after them (repeating orders imported before); the register keeps
// the rows it had.
TEST(DisparadoresImportacion, ARegisterThatRefusesItsRowsUndoesTheImport) {
    BaseEmpresa b(QStringLiteral("imdispreg"));
    bitacora::EsquemaBitacora::creaTablas(b.conexion());
    const QString registro = bitacora::EsquemaBitacora::tablaHuellas();
    ASSERT_TRUE(importa(b, encabezado("B", "C9")).ok);
    b.ejecuta(QStringLiteral("CREATE TRIGGER cierra BEFORE INSERT ON %1 FOR EACH ROW SIGNAL "
                             "SQLSTATE '45000' SET MESSAGE_TEXT='registro cerrado'")
                  .arg(registro));
    const QString antes = estado(b);
    QTemporaryDir carpeta;
    for (const importacion::Importados modo :
         {importacion::Importados::Rechazar, importacion::Importados::Repetir}) {
        importacion::OpcionesImportacion opciones{modo, false};
        const auto r = SubePedidos(b.conexion(), archivo(carpeta, tresPedidos()), carpeta.path(),
                                   {}, opciones);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("registro cerrado")))
            << r.mensaje.toStdString();
        EXPECT_TRUE(r.mensaje.contains(QStringLiteral("La importación se deshizo por completo")))
            << r.mensaje.toStdString();
        EXPECT_EQ(estado(b), antes);
        EXPECT_EQ(b.valor(QStringLiteral("SELECT GROUP_CONCAT(Veces) FROM %1").arg(registro)),
                  QStringLiteral("1"));
        EXPECT_EQ(b.valor(QStringLiteral("SELECT Desenlace FROM %1 ORDER BY Id DESC LIMIT 1")
                              .arg(bitacora::EsquemaBitacora::tablaCorridas())),
                  QStringLiteral("fallida"));
    }
}
