#include "ArchivoPrueba.h"
#include "import/InformeImportacion.h"
#include "support/Esperado.h"

#include <gtest/gtest.h>

using namespace prueba;

// The preview of a file as the user reads it before saying yes, compared whole with a
// reviewed text: the orders with the Ids and folios they would get, the customers that would
// be created, the changes of PorVender (a product the table lacks included), what the reader
// drops and the totals.
TEST(RevisionImportacion, ThePreviewOfAFileReadsAsReviewed) {
    pruebas::BaseEmpresa b(QStringLiteral("revesperada"));
    b.conexion().ejecuta(QStringLiteral("INSERT INTO productos (Clave, PorVender) VALUES "
                                        "('A', 1), ('B', 0)"));
    b.conexion().ejecuta(
        QStringLiteral("INSERT INTO clientes (Clave, Nombre) VALUES ('C1', 'Ya estaba')"));
    const QByteArray bytes = renglon("A", "9") + encabezado("A", "C1") + renglon("A", "2") +
                             renglon("Z", "3") + encabezado("", "C2") + renglon("B", "0.5") +
                             encabezado("A", "C3");
    QTemporaryDir carpeta;
    const auto r = importacion::SubePedidos(b.conexion(), archivo(carpeta, bytes), carpeta.path(),
                                            {}, {importacion::Importados::Rechazar, true});
    ASSERT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_TRUE(pruebas::comoEsperado(importacion::InformeImportacion::texto(r) +
                                          QStringLiteral("\n") + r.mensaje + QStringLiteral("\n"),
                                      QStringLiteral("import/esperado/revision.txt")));
}
