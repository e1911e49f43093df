#include "../import/ArchivoPrueba.h"
#include "accumulation/Escenario.h"
#include "app/Comandos.h"
#include "export/Exportacion.h"
#include "import/Importacion.h"
#include "journal/Bitacora.h"
#include "support/OrdenPrueba.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace bitacora;
using namespace pruebas;

namespace {

const QDate dia(2026, 5, 10);
const QStringList argumentos = {"--desde", "2026-05-10", "--hasta", "2026-05-10", "--folio", "1"};

Programa programa(const host::BasesDD& bases) {
    Programa p;
    *p.bases = bases;
    return p;
}

QStringList avisosDeBitacora(const QString& errores) {
    QStringList salida;
    for (const QString& l : errores.split(QLatin1Char('\n')))
        if (l.startsWith(QStringLiteral("Aviso: No se lleva bitácora")) ||
            l.startsWith(QStringLiteral("Aviso: No se pudo anotar")))
            salida << l;
    return salida;
}

// A user who may read and write the host's tables of base (and every table of the others),
// with only the rights given on each table of the journal.
class UsuarioParcial {
public:
    UsuarioParcial(const QString& base, const QStringList& otras) : nombre_(base.right(28) + "_p") {
        admin_->ejecuta(QStringLiteral("CREATE USER ?@'%' IDENTIFIED BY 'clave'"), {nombre_});
        for (const char* t :
             {"pedidos", "pedidosdetalle", "clientes", "productos", "sistema", "configura"})
            concede(QStringLiteral("SELECT, INSERT, UPDATE, DELETE"), base, QLatin1String(t));
        for (const QString& b : otras)
            admin_->ejecuta(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON %1.* TO ?@'%'")
                                .arg(host::Conexion::identificador(b)),
                            {nombre_});
    }
    ~UsuarioParcial() { admin_->ejecuta(QStringLiteral("DROP USER ?@'%'"), {nombre_}); }
    void concede(const QString& permisos, const QString& base, const QString& tabla) {
        admin_->ejecuta(QStringLiteral("GRANT %1 ON %2.%3 TO ?@'%'")
                            .arg(permisos, host::Conexion::identificador(base), tabla),
                        {nombre_});
    }
    void quita(const QString& permisos, const QString& base, const QString& tabla) {
        admin_->ejecuta(QStringLiteral("REVOKE %1 ON %2.%3 FROM ?@'%'")
                            .arg(permisos, host::Conexion::identificador(base), tabla),
                        {nombre_});
    }
    host::BasesDD bases(host::BasesDD b) const {
        b.cUsuario = nombre_;
        b.cPassword = QStringLiteral("clave");
        return b;
    }
    const QString& nombre() const { return nombre_; }

private:
    std::unique_ptr<host::Conexion> admin_ = pruebas::conecta();
    QString nombre_;
};

} // namespace

// The reproduction: 600 companies listed and missing make the message of a run that moved
// its order longer than the journal's column. It is cut, with a mark, and the run is closed.
TEST(CierreDeLaBitacora, AMessageLongerThanItsColumnIsCutWithAMarkAndTheRunIsClosed) {
    Escenario e(1);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    const QString relleno(50, QLatin1Char('x'));
    for (int i = 0; i < 600; ++i)
        e.registra(QStringLiteral("falta_%1_%2").arg(i).arg(relleno));
    Programa p = programa(e.bases());
    const auto s = pruebas::corre(comandos::acumular, p, argumentos);
    EXPECT_EQ(s.estado, 0) << s.errores.right(500).toStdString();
    EXPECT_EQ(avisosDeBitacora(s.errores), QStringList());
    const auto c = bitacora::ConsultasBitacora::corridas(e.actual().conexion(), {}, {});
    ASSERT_EQ(c.size(), 1);
    EXPECT_EQ(c[0].desenlace, EstadoCorrida::Hecho);
    EXPECT_EQ(c[0].cuentas.pedidos, 1);
    EXPECT_TRUE(c[0].mensaje.startsWith(
        QStringLiteral("Se generó 1 pedido en %1.\n\nNo se acumuló desde estas empresas:")
            .arg(e.actual().nombre())));
    EXPECT_TRUE(c[0].mensaje.contains(
        QRegularExpression(QStringLiteral("\n… \\(mensaje recortado para la bitácora: tenía "
                                          "\\d+ caracteres\\)$"))))
        << c[0].mensaje.right(200).toStdString();
    EXPECT_GT(c[0].mensaje.size(), 60000);
}

// When the journal's table refuses the end of a run, the user is told on an "Aviso:" line,
// and what is known (outcome, counts) is kept when only the message was refused.
TEST(CierreDeLaBitacora, AnEndTheJournalRefusesIsToldAndWhatIsKnownIsKept) {
    Escenario e(1);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    Programa p = programa(e.bases());
    host::Conexion& c = e.actual().conexion();
    bitacora::EsquemaBitacora::creaTablas(c);
    c.ejecuta(QStringLiteral("CREATE TRIGGER rechaza BEFORE UPDATE ON %1 FOR EACH ROW IF "
                             "NEW.Mensaje LIKE 'Se gener%' THEN SIGNAL SQLSTATE '45000' SET "
                             "MESSAGE_TEXT='mensaje rechazado'; END IF")
                  .arg(bitacora::EsquemaBitacora::tablaCorridas()));
    const auto s = pruebas::corre(comandos::acumular, p, argumentos);
    EXPECT_EQ(s.estado, 0);
    const QString inicio =
        QStringLiteral("Aviso: No se pudo anotar en la bitácora de la base de "
                       "datos \"%1\" cómo terminó esta operación (corrida %2): ");
    QStringList avisos = avisosDeBitacora(s.errores);
    ASSERT_EQ(avisos.size(), 1) << s.errores.toStdString();
    EXPECT_TRUE(avisos[0].startsWith(inicio.arg(e.actual().nombre()).arg(1)))
        << avisos[0].toStdString();
    EXPECT_TRUE(avisos[0].contains(QStringLiteral("mensaje rechazado"))) << avisos[0].toStdString();
    EXPECT_TRUE(avisos[0].endsWith(
        QStringLiteral("Quedaron anotados su resultado y sus cuentas, sin el mensaje.")))
        << avisos[0].toStdString();
    auto corridas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    ASSERT_EQ(corridas.size(), 1);
    EXPECT_EQ(corridas[0].desenlace, EstadoCorrida::Hecho);
    EXPECT_EQ(corridas[0].cuentas.pedidos, 1);
    EXPECT_TRUE(corridas[0].mensaje.startsWith(
        QStringLiteral("No se pudo guardar el mensaje de la operación: ")))
        << corridas[0].mensaje.toStdString();

    c.ejecuta(QStringLiteral("DROP TRIGGER rechaza"));
    c.ejecuta(QStringLiteral("CREATE TRIGGER rechaza BEFORE UPDATE ON %1 FOR EACH ROW SIGNAL "
                             "SQLSTATE '45000' SET MESSAGE_TEXT='todo rechazado'")
                  .arg(bitacora::EsquemaBitacora::tablaCorridas()));
    e.pedido(e.empresa(1), QString(), 2, dia, {{"P1", 1, 1}});
    const auto otra = pruebas::corre(comandos::acumular, p, argumentos);
    EXPECT_EQ(otra.estado, 0);
    avisos = avisosDeBitacora(otra.errores);
    ASSERT_EQ(avisos.size(), 1) << otra.errores.toStdString();
    EXPECT_TRUE(avisos[0].startsWith(inicio.arg(e.actual().nombre()).arg(2)))
        << avisos[0].toStdString();
    EXPECT_TRUE(avisos[0].endsWith(QStringLiteral("La bitácora la mostrará como interrumpida.")))
        << avisos[0].toStdString();
    corridas = bitacora::ConsultasBitacora::corridas(c, {}, {});
    ASSERT_EQ(corridas.size(), 2);
    EXPECT_EQ(corridas[0].desenlace, EstadoCorrida::EnCurso);
    EXPECT_TRUE(corridas[0].interrumpida);
}

// A journal table whose columns were changed would make the work fail: the work runs
// without the journal instead, and says so once. The register of imported orders is still
// read, so a file imported before is still refused; what is imported meanwhile is not
// recorded in it.
TEST(BitacoraDefectuosa, ATableOfAnotherFormLeavesTheWorkRunningWithoutIt) {
    Escenario e(1);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    Programa p = programa(e.bases());
    ASSERT_EQ(pruebas::corre(comandos::acumular, p, argumentos).estado, 0);
    e.actual().ejecuta(QStringLiteral("ALTER TABLE %1 CHANGE PedidoNuevo PedidoDestino "
                                      "VARCHAR(64) NOT NULL DEFAULT ''")
                           .arg(bitacora::EsquemaBitacora::tablaPedidos()));
    e.pedido(e.empresa(1), QString(), 2, dia, {{"P1", 1, 1}});
    const auto s = pruebas::corre(comandos::acumular, p, argumentos);
    EXPECT_EQ(s.estado, 0) << s.errores.toStdString();
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 2);
    EXPECT_EQ(avisosDeBitacora(s.errores),
              QStringList(QStringLiteral(
                              "Aviso: No se lleva bitácora de esta operación en la base de datos "
                              "\"%1\": la tabla %2 ya no tiene la forma que el programa le dio "
                              "(le falta la columna PedidoNuevo). La operación se hace de todos "
                              "modos. Para llevarla, un administrador puede devolverle esa "
                              "forma, o cambiar el nombre de las tablas de la bitácora (%3, %2) "
                              "para que el programa cree otras.")
                              .arg(e.actual().nombre(), bitacora::EsquemaBitacora::tablaPedidos(),
                                   bitacora::EsquemaBitacora::tablaCorridas())));
    EXPECT_EQ(e.actual().cuenta(bitacora::EsquemaBitacora::tablaCorridas()), 1);

    BaseEmpresa b(QStringLiteral("bitforma"));
    QTemporaryDir carpeta;
    const QString antes = prueba::archivo(carpeta, prueba::encabezado("A", "C1"));
    ASSERT_TRUE(importacion::SubePedidos(b.conexion(), antes, carpeta.path()).ok);
    b.ejecuta(QStringLiteral("ALTER TABLE %1 ADD COLUMN Origen VARCHAR(10) NOT NULL")
                  .arg(bitacora::EsquemaBitacora::tablaHuellas()));
    const auto repetida = importacion::SubePedidos(b.conexion(), antes, carpeta.path());
    EXPECT_TRUE(repetida.rechazadoPorImportados) << repetida.mensaje.toStdString();
    EXPECT_TRUE(repetida.avisoBitacora.contains(
        QStringLiteral("la tabla %1 ya no tiene la forma que el programa le dio (tiene una "
                       "columna Origen que exige un valor)")
            .arg(bitacora::EsquemaBitacora::tablaHuellas())))
        << repetida.avisoBitacora.toStdString();
    const auto nueva = importacion::SubePedidos(
        b.conexion(), prueba::archivo(carpeta, prueba::encabezado("B", "C2"), "nuevo.txt"),
        carpeta.path());
    EXPECT_TRUE(nueva.ok) << nueva.mensaje.toStdString();
    EXPECT_TRUE(nueva.avisoBitacora.endsWith(
        QStringLiteral("Sin bitácora, esta importación no queda registrada y no se podrá "
                       "reconocer si el archivo se importa otra vez.")))
        << nueva.avisoBitacora.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 2);
    EXPECT_EQ(b.cuenta(bitacora::EsquemaBitacora::tablaHuellas()) +
                  b.cuenta(bitacora::EsquemaBitacora::tablaCorridas()),
              2);
}

// Rights on some of the journal's tables or columns and not on others: the run keeps no
// half journal (no run left "in course", no register it cannot read) and goes on without it.
TEST(BitacoraDefectuosa, PartialRightsOnItsTablesLeaveTheWorkRunningWithoutIt) {
    Escenario e(1);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    const QString actual = e.actual().nombre();
    bitacora::EsquemaBitacora::creaTablas(e.actual().conexion());
    UsuarioParcial u(actual, {e.empresa(1).nombre(), QStringLiteral("generalkorvan")});
    // May start a run and close it, but not write its orders: every group would fail.
    u.concede(QStringLiteral("SELECT, INSERT, UPDATE"), actual,
              bitacora::EsquemaBitacora::tablaCorridas());
    u.concede(QStringLiteral("SELECT"), actual, bitacora::EsquemaBitacora::tablaPedidos());
    Programa p = programa(u.bases(e.bases()));
    const auto a = pruebas::corre(comandos::acumular, p, argumentos);
    EXPECT_EQ(a.estado, 0) << a.errores.toStdString();
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 1);
    // May start a run but not close it: it would stay "in course" for ever.
    u.quita(QStringLiteral("UPDATE"), actual, bitacora::EsquemaBitacora::tablaCorridas());
    u.concede(QStringLiteral("INSERT"), actual, bitacora::EsquemaBitacora::tablaPedidos());
    QTemporaryDir carpeta;
    p.baseExportar = actual;
    p.carpetaPrograma = carpeta.path();
    const auto x = pruebas::corre(comandos::exportar, p,
                                  {"--archivo", "pedidos", "--destino", carpeta.path()});
    EXPECT_EQ(x.estado, 0) << x.errores.toStdString();
    for (const auto& s : {a, x}) {
        const QStringList avisos = avisosDeBitacora(s.errores);
        ASSERT_EQ(avisos.size(), 1) << s.errores.toStdString();
        EXPECT_TRUE(avisos[0].startsWith(
            QStringLiteral("Aviso: No se lleva bitácora de esta operación en la base de datos "
                           "\"%1\": el usuario \"%2\" no tiene permiso para crear o escribir sus "
                           "tablas")
                .arg(actual, u.nombre())))
            << avisos[0].toStdString();
    }
    EXPECT_EQ(e.actual().cuenta(bitacora::EsquemaBitacora::tablaCorridas()), 0);

    // May add fingerprints to the register but neither read it nor count one again: the
    // import runs, says it could not look for the orders imported before, and keeps none.
    BaseEmpresa b(QStringLiteral("bitparcial"));
    bitacora::EsquemaBitacora::creaTablas(b.conexion());
    UsuarioParcial i(b.nombre(), {});
    i.concede(QStringLiteral("SELECT, INSERT, UPDATE"), b.nombre(),
              bitacora::EsquemaBitacora::tablaCorridas());
    i.concede(QStringLiteral("SELECT, INSERT"), b.nombre(),
              bitacora::EsquemaBitacora::tablaPedidos());
    i.concede(QStringLiteral("INSERT"), b.nombre(), bitacora::EsquemaBitacora::tablaHuellas());
    auto conexion = host::Conexion::abrir([&] {
        auto q = pruebas::parametros(b.nombre());
        q.usuario = i.nombre();
        q.password = QStringLiteral("clave");
        return q;
    }());
    const auto r = importacion::SubePedidos(
        *conexion, prueba::archivo(carpeta, prueba::encabezado("A", "C1"), "i.txt"),
        carpeta.path());
    EXPECT_TRUE(r.ok) << r.mensaje.toStdString();
    EXPECT_EQ(r.avisos,
              QStringList(QStringLiteral("No se pudo comprobar si los pedidos del archivo ya se "
                                         "habían importado: el usuario no puede leer la tabla %1.")
                              .arg(bitacora::EsquemaBitacora::tablaHuellas())));
    EXPECT_TRUE(r.avisoBitacora.contains(QStringLiteral("no tiene permiso")))
        << r.avisoBitacora.toStdString();
    EXPECT_EQ(b.cuenta(QStringLiteral("pedidos")), 1);
    EXPECT_EQ(b.cuenta(bitacora::EsquemaBitacora::tablaCorridas()) +
                  b.cuenta(bitacora::EsquemaBitacora::tablaHuellas()),
              0);
}

// A journal a newer program marked as one older copies must not write: an accumulation
// into it moves no order, and an export from it writes no file, each saying why.
TEST(BitacoraDefectuosa, AJournalOfANewerProgramStopsTheRunBeforeAnythingMoves) {
    Escenario e(1);
    e.pedido(e.empresa(1), QString(), 1, dia, {{"P1", 1, 1}});
    EsquemaBitacora::creaTablas(e.actual().conexion());
    // The layout after this copy's.
    e.actual().ejecuta(QStringLiteral("INSERT INTO %1 (Id, Version) VALUES (1, %2), (2, %2) ON "
                                      "DUPLICATE KEY UPDATE Version=VALUES(Version)")
                           .arg(EsquemaBitacora::tablaVersion())
                           .arg(EsquemaBitacora::version + 1));
    const QString motivo =
        QStringLiteral("La bitácora de la base de datos \"%1\" es de una versión más nueva")
            .arg(e.actual().nombre());
    Programa p = programa(e.bases());
    const auto s = pruebas::corre(comandos::acumular, p, argumentos);
    EXPECT_NE(s.estado, 0);
    EXPECT_TRUE(s.errores.contains(motivo)) << s.errores.toStdString();
    EXPECT_EQ(e.actual().cuenta(QStringLiteral("pedidos")), 0);
    EXPECT_EQ(e.empresa(1).cuenta(QStringLiteral("pedidosdetalle WHERE Pedido=1")), 1);
    EXPECT_EQ(e.actual().cuenta(EsquemaBitacora::tablaCorridas()), 0);

    QTemporaryDir carpeta, destino;
    const auto x = exportacion::ExportaPedidos(e.actual().conexion(), {1}, QStringLiteral("x"),
                                               carpeta.path(), destino.path());
    EXPECT_FALSE(x.ok);
    EXPECT_TRUE(x.mensaje.contains(motivo)) << x.mensaje.toStdString();
    EXPECT_TRUE(QDir(destino.path()).isEmpty());
    EXPECT_TRUE(QDir(carpeta.path()).isEmpty());
}
