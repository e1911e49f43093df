#include "journal/ConsultasBitacora.h"

#include "journal/Bitacora.h"
#include "journal/EsquemaBitacora.h"
#include "journal/TextosBitacora.h"
#include "shell/host/Conexion.h"
#include "shell/host/Fechas.h"
#include "shell/host/ListaIds.h"
#include "shell/host/Recordset.h"

#include <QSet>

namespace bitacora {

using host::Conexion;
using host::ErrorBdD;

namespace {

// Keys per lookup of the register.
constexpr qsizetype huellasPorConsulta = 1000;

} // namespace

QVector<Corrida> ConsultasBitacora::corridas(Conexion& conexion, const std::optional<QDate>& desde,
                                             const std::optional<QDate>& hasta,
                                             const std::optional<Operacion>& operacion) {
    Seleccion seleccion;
    seleccion.desde = desde;
    seleccion.hasta = hasta;
    seleccion.operacion = operacion;
    return corridas(conexion, seleccion);
}

namespace {

// Marks the runs in course of the list whose session is gone, in one query for all of them.
// A run in course is interrupted when it was run on this server and its session is gone (or
// the server restarted since). The sessions of other users are seen only with the PROCESS
// privilege, and those on other servers (other nodes of a cluster) not at all: such runs stay
// "in course". Runs without an owner were written before owners were kept.
void marcaInterrumpidas(Conexion& conexion, QVector<Corrida>& corridas) {
    QVector<qint64> enCurso;
    for (const Corrida& c : std::as_const(corridas))
        if (c.desenlace == EstadoCorrida::EnCurso)
            enCurso << c.id;
    if (enCurso.isEmpty())
        return;
    const QString ids = host::listaIds(enCurso);
    const QString interrumpidas =
        QStringLiteral(
            "SELECT Id FROM %3 WHERE Id IN (%4) AND (Nodo='' OR (Nodo=%1 AND "
            "(UsuarioBdD=CURRENT_USER() OR EXISTS (SELECT 1 FROM "
            "information_schema.USER_PRIVILEGES WHERE PRIVILEGE_TYPE IN ('PROCESS', 'SUPER') AND "
            "GRANTEE=CONCAT('''', SUBSTRING_INDEX(CURRENT_USER(), '@', 1), '''@''', "
            "SUBSTRING_INDEX(CURRENT_USER(), '@', -1), ''''))) AND (ArranqueNodo IS NULL OR "
            "ABS(TIMESTAMPDIFF(SECOND, ArranqueNodo, %2)) > 2 OR Sesion NOT IN (SELECT ID FROM "
            "information_schema.PROCESSLIST))))")
            .arg(EsquemaBitacora::nodo(), EsquemaBitacora::arranqueNodo(),
                 EsquemaBitacora::tablaCorridas(), ids);
    QSet<qint64> cortadas;
    try {
        for (auto rs = conexion.consulta(interrumpidas); !rs->eof(); rs->MoveNext())
            cortadas.insert(rs->entero(0));
    } catch (const ErrorBdD& e) {
        if (e.conexionPerdida())
            throw;
        return; // they are shown in course, as they were recorded
    }
    for (Corrida& c : corridas)
        c.interrumpida = cortadas.contains(c.id);
}

} // namespace

QVector<Corrida> ConsultasBitacora::corridas(Conexion& conexion, const Seleccion& seleccion) {
    QString condicion = QStringLiteral("1=1");
    QVariantList valores;
    if (seleccion.desde) {
        condicion += QStringLiteral(" AND Inicio>=?");
        valores << QDateTime(*seleccion.desde, QTime(0, 0));
    }
    if (seleccion.hasta) {
        condicion += QStringLiteral(" AND Inicio<?");
        valores << QDateTime(seleccion.hasta->addDays(1), QTime(0, 0));
    }
    if (seleccion.operacion) {
        condicion += QStringLiteral(" AND Operacion=?");
        valores << codigo(*seleccion.operacion);
    }
    if (seleccion.corrida) {
        condicion += QStringLiteral(" AND Id=?");
        valores << *seleccion.corrida;
    }
    if (const auto& ultima = seleccion.despuesDe) {
        // The first bound lets the index on Inicio find the place; the second settles ties.
        condicion += QStringLiteral(" AND Inicio<=? AND (Inicio<? OR Id<?)");
        valores << ultima->inicio << ultima->inicio << ultima->id;
    }
    const QString limite =
        seleccion.limite > 0 ? QStringLiteral(" LIMIT %1").arg(seleccion.limite) : QString();
    std::unique_ptr<host::Recordset> rs;
    const auto lee = [&](const QString& deshacer) {
        return conexion.consulta(
            QStringLiteral("SELECT Id, Operacion, Inicio, Fin, UsuarioSistema, Equipo, UsuarioBdD, "
                           "Desde, Hasta, Serie, PrimerFolio, Archivo, Destino, Desenlace, "
                           "Mensaje, Pedidos, Renglones, Clientes, %4 FROM %1 WHERE %2 "
                           "ORDER BY Inicio DESC, Id DESC%3")
                .arg(EsquemaBitacora::tablaCorridas(), condicion, limite, deshacer),
            valores);
    };
    try {
        try {
            rs = lee(QStringLiteral("Deshacible, Deshace, DeshechaPor, Deshechos"));
        } catch (const ErrorBdD& e) {
            // A journal of an earlier layout, not yet upgraded by a run: no undo columns.
            if (e.codigo() != 1054)
                throw;
            rs = lee(QStringLiteral("0, NULL, NULL, 0"));
        }
    } catch (const ErrorBdD& e) {
        if (e.codigo() == 1146) // no journal in this database yet
            return {};
        throw;
    }
    QVector<Corrida> salida;
    const QString base = conexion.baseEnUso();
    for (; !rs->eof(); rs->MoveNext()) {
        Corrida c;
        c.id = rs->entero(0);
        c.base = base;
        c.operacion = operacionDe(rs->texto(1));
        c.inicio = rs->valor(2).toDateTime();
        c.fin = rs->valor(3).toDateTime();
        c.usuarioSistema = rs->texto(4);
        c.equipo = rs->texto(5);
        c.usuarioBdD = rs->texto(6);
        if (!rs->esNulo(7))
            c.parametros.desde = rs->fecha(7);
        if (!rs->esNulo(8))
            c.parametros.hasta = rs->fecha(8);
        if (!rs->esNulo(9))
            c.parametros.serie = rs->texto(9);
        if (!rs->esNulo(10))
            c.parametros.primerFolio = qint32(rs->entero(10));
        c.parametros.archivo = rs->texto(11);
        c.parametros.destino = rs->texto(12);
        c.desenlace = estadoDe(rs->texto(13));
        c.mensaje = rs->texto(14);
        c.cuentas = {rs->entero(15), rs->entero(16), rs->entero(17)};
        c.deshacible = rs->entero(18) != 0;
        if (!rs->esNulo(19))
            c.parametros.deshace = rs->entero(19);
        c.deshechaPor = rs->entero(20);
        c.deshechos = rs->entero(21);
        salida.push_back(c);
    }
    rs.reset();
    marcaInterrumpidas(conexion, salida);
    return salida;
}

QHash<qint64, QDateTime> ConsultasBitacora::ultimasExportaciones(Conexion& conexion, qint64 desde,
                                                                 qint64 hasta) {
    QHash<qint64, QDateTime> salida;
    std::unique_ptr<host::Recordset> rs;
    try {
        rs = conexion.consulta(
            QStringLiteral("SELECT p.IdOrigen, MAX(COALESCE(c.Fin, c.Inicio)) FROM %1 p JOIN %2 c "
                           "ON c.Id=p.Corrida WHERE c.Operacion=? AND c.Desenlace=? AND "
                           "p.IdOrigen BETWEEN ? AND ? GROUP BY p.IdOrigen")
                .arg(EsquemaBitacora::tablaPedidos(), EsquemaBitacora::tablaCorridas()),
            {codigo(Operacion::Exportacion), codigo(EstadoCorrida::Hecho), desde, hasta});
    } catch (const ErrorBdD& e) {
        if (e.codigo() == 1146)
            return salida;
        throw;
    }
    for (; !rs->eof(); rs->MoveNext())
        salida.insert(rs->entero(0), rs->valor(1).toDateTime());
    return salida;
}

QVector<PedidoAnotado> ConsultasBitacora::pedidos(Conexion& conexion, qint64 corrida) {
    std::unique_ptr<host::Recordset> rs;
    try {
        rs = conexion.consulta(
            QStringLiteral("SELECT %1 FROM %2 WHERE Corrida=? ORDER BY Id")
                .arg(EsquemaBitacora::columnasPedido(), EsquemaBitacora::tablaPedidos()),
            {corrida});
    } catch (const ErrorBdD& e) {
        if (e.codigo() == 1146)
            return {};
        throw;
    }
    QVector<PedidoAnotado> salida;
    for (; !rs->eof(); rs->MoveNext()) {
        PedidoAnotado p;
        p.baseOrigen = rs->texto(1);
        p.idOrigen = rs->entero(2);
        p.pedidoOrigen = rs->texto(3);
        p.archivo = rs->texto(4);
        p.linea = int(rs->entero(5));
        p.huella = rs->texto(6);
        p.idNuevo = rs->entero(7);
        p.pedidoNuevo = rs->texto(8);
        salida.push_back(p);
    }
    return salida;
}

QHash<QString, HuellaRegistrada> ConsultasBitacora::registradas(Conexion& conexion,
                                                                const QStringList& huellas) {
    QHash<QString, HuellaRegistrada> salida;
    try {
        for (qsizetype i = 0; i < huellas.size(); i += huellasPorConsulta) {
            auto rs = conexion.consulta(
                QStringLiteral("SELECT Huella, PrimeraCorrida, UltimaCorrida, Veces FROM %1 "
                               "WHERE Huella IN (%2) FOR UPDATE")
                    .arg(EsquemaBitacora::tablaHuellas(),
                         conexion.listaLiterales(huellas.mid(i, huellasPorConsulta))));
            for (; !rs->eof(); rs->MoveNext()) {
                HuellaRegistrada& h = salida[rs->texto(0).toLower()];
                h.primeraCorrida = rs->entero(1);
                h.ultimaCorrida = rs->entero(2);
                h.veces = int(rs->entero(3));
            }
        }
    } catch (const ErrorBdD& e) {
        if (e.codigo() == 1146)
            return {};
        throw;
    }
    if (salida.isEmpty())
        return salida;
    // When each came in first, and what it became; the runs' rows are only read, so a run
    // still closing its entry is not held up. A journal whose other tables cannot be read
    // (no right, another form) leaves that unknown: the fingerprints are what counts.
    QHash<qint64, QDateTime> inicios;
    QSet<qint64> corridas;
    for (const HuellaRegistrada& h : std::as_const(salida))
        corridas.insert(h.primeraCorrida);
    try {
        auto rs =
            conexion.consulta(QStringLiteral("SELECT Id, Inicio FROM %1 WHERE Id IN (%2)")
                                  .arg(EsquemaBitacora::tablaCorridas(), host::listaIds(corridas)));
        for (; !rs->eof(); rs->MoveNext())
            inicios.insert(rs->entero(0), rs->valor(1).toDateTime());
        // The orders' rows of those runs; an index on the fingerprint would cost every import
        // more than this look-up costs the few that find orders imported before.
        for (const qint64 c : std::as_const(corridas)) {
            rs = conexion.consulta(QStringLiteral("SELECT Huella, IdNuevo, PedidoNuevo FROM %1 "
                                                  "WHERE Corrida=? ORDER BY Id")
                                       .arg(EsquemaBitacora::tablaPedidos()),
                                   {c});
            for (; !rs->eof(); rs->MoveNext()) {
                const auto h = salida.find(rs->texto(0).toLower());
                if (h != salida.end() && h->primeraCorrida == c && h->idNuevo == 0) {
                    h->idNuevo = rs->entero(1);
                    h->pedidoNuevo = rs->texto(2);
                }
            }
        }
    } catch (const ErrorBdD& e) {
        if (detieneOperacion(e))
            throw;
    }
    for (HuellaRegistrada& h : salida)
        h.primera = inicios.value(h.primeraCorrida);
    return salida;
}

QHash<QString, HuellaDeshecha> ConsultasBitacora::deshechas(Conexion& conexion,
                                                            const QSet<QString>& huellas) {
    QHash<QString, HuellaDeshecha> salida;
    if (huellas.isEmpty())
        return salida;
    try {
        // The orders taken back from the imports undone in whole or in part (found by the
        // runs' index), with when the import and the undo began; in the runs' order, so a
        // later import of the same order, undone too, wins.
        auto rs = conexion.consulta(
            QStringLiteral("SELECT p.Huella, p.Corrida, c.Inicio, p.IdNuevo, p.PedidoNuevo, "
                           "p.DeshechoPor, u.Inicio FROM %1 c JOIN %2 p ON p.Corrida=c.Id LEFT "
                           "JOIN %1 u ON u.Id=p.DeshechoPor WHERE c.Operacion=? AND c.DeshechaPor "
                           "IS NOT NULL AND p.DeshechoPor IS NOT NULL ORDER BY p.Corrida, p.Id")
                .arg(EsquemaBitacora::tablaCorridas(), EsquemaBitacora::tablaPedidos()),
            {codigo(Operacion::Importacion)});
        for (; !rs->eof(); rs->MoveNext()) {
            const QString huella = rs->texto(0).toLower();
            if (huellas.contains(huella))
                salida[huella] = {rs->entero(1), rs->valor(2).toDateTime(),
                                  rs->entero(3), rs->texto(4),
                                  rs->entero(5), rs->valor(6).toDateTime()};
        }
    } catch (const ErrorBdD& e) {
        // No journal, or one of a layout that kept no undos.
        if (e.codigo() == 1146 || e.codigo() == 1054)
            return {};
        throw;
    }
    return salida;
}

} // namespace bitacora
