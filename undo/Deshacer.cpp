#include "undo/Deshacer.h"

#include "data/ErrorTransferencia.h"
#include "journal/Bitacora.h"
#include "shell/host/BasesDD.h"
#include "shell/host/MotorTablas.h"
#include "shell/host/Reintentos.h"
#include "shell/host/Vigia.h"
#include "undo/DeshacerCorrida.h"
#include "undo/InformeDeshacer.h"

namespace deshacer {

using bitacora::Corrida;
using bitacora::Operacion;

namespace {

ResultadoDeshacer fallo(const OpcionesDeshacer& opciones, const QString& mensaje,
                        bool cancelado = false) {
    ResultadoDeshacer r;
    r.corrida = opciones.corrida;
    r.base = opciones.base;
    r.revision = opciones.revisar;
    r.mensaje = mensaje;
    r.cancelado = cancelado;
    return r;
}

// Why the run cannot be undone at all (empty when it can).
QString noSeDeshace(const Corrida& c) {
    const QString cual =
        QStringLiteral("La corrida %1 de la base de datos \"%2\"").arg(c.id).arg(c.base);
    switch (c.operacion) {
    case Operacion::Exportacion:
        return cual + QStringLiteral(" es una exportación: sólo escribió un archivo y no cambió "
                                     "ningún dato, así que no hay nada que deshacer.");
    case Operacion::Deshacer:
        return cual + QStringLiteral(" deshizo otra corrida: no se puede deshacer. Para volver a "
                                     "tener esos pedidos, repita la operación original.");
    case Operacion::Acumulacion:
    case Operacion::Importacion:
        break;
    }
    if (c.desenlace == bitacora::EstadoCorrida::EnCurso && !c.interrumpida)
        return cual + QStringLiteral(" todavía está en curso: espere a que termine.");
    if (!c.deshacible)
        return cual + QStringLiteral(" se anotó con una versión anterior del programa, que no "
                                     "guardaba lo necesario para deshacerla (cómo quedó cada "
                                     "pedido y lo que se movió): no se puede deshacer desde el "
                                     "programa.");
    return {};
}

// The tables the undo writes, which must be able to undo it in turn.
QStringList tablasEscritas(Operacion operacion) {
    QStringList t{QStringLiteral("pedidos"), QStringLiteral("pedidosdetalle")};
    if (operacion == Operacion::Importacion)
        t << QStringLiteral("productos") << QStringLiteral("clientes");
    return t + bitacora::EsquemaBitacora::tablas(Operacion::Deshacer);
}

class Corredor {
public:
    Corredor(host::Conexion& conexion, const Corrida& corrida, const OpcionesDeshacer& opciones,
             const LlamadasDeshacer& llamadas, const bitacora::Bitacora* diario)
        : conexion_(conexion), corrida_(corrida), opciones_(opciones), llamadas_(llamadas),
          diario_(diario) {}

    ResultadoDeshacer corre() {
        const QString nada = QStringLiteral("No se deshizo nada: la base de datos \"%1\" quedó "
                                            "como estaba.")
                                 .arg(corrida_.base);
        host::Reintentos reintentos(host::reintentosImportacion);
        for (;;) {
            DeshacerCorrida deshacer(conexion_, corrida_, opciones_, llamadas_, diario_);
            bool confirmando = false;
            try {
                host::Transaccion transaccion(conexion_);
                deshacer.corre();
                ResultadoDeshacer& r = deshacer.resultado();
                // A preview ends here: leaving the scope rolls everything back.
                if (!opciones_.revisar && !r.quitados.isEmpty()) {
                    confirmando = true;
                    transaccion.confirma();
                }
                r.ok = !r.rechazado;
                r.mensaje = InformeDeshacer::mensaje(r);
                return r;
            } catch (const DeshacerCorrida::Rechazada&) {
                ResultadoDeshacer r = deshacer.resultado();
                r.quitados.clear();
                r.existencias.clear();
                r.clientes.clear();
                r.clientesCambiados.clear();
                r.clientesUsados.clear();
                r.renglones = 0;
                r.mensaje = InformeDeshacer::mensaje(r);
                return r;
            } catch (const transferencia::Cancelado&) {
                return fallo(opciones_, QStringLiteral("Se canceló. %1").arg(nada), true);
            } catch (const host::ErrorBdD& e) {
                if (confirmando && e.conexionPerdida())
                    return confirmacionPerdida(deshacer.resultado(), e, nada);
                if (reintentos.otraVez(e, [this] { return llamadas_.cancelado(); }))
                    continue;
                if (host::Reintentos::esBloqueo(e))
                    return fallo(opciones_,
                                 QStringLiteral("No se pudo deshacer la corrida %1: otro usuario "
                                                "u operación ocupaba los mismos datos, y se "
                                                "intentó %2 veces. %3\n%4")
                                     .arg(corrida_.id)
                                     .arg(reintentos.intentos())
                                     .arg(e.mensaje(), nada));
                return fallo(opciones_, QStringLiteral("No se pudo deshacer la corrida %1: %2\n%3")
                                            .arg(corrida_.id)
                                            .arg(e.mensaje(), nada));
            }
        }
    }

private:
    // The connection went while the COMMIT's answer was on its way: the journal tells.
    ResultadoDeshacer confirmacionPerdida(ResultadoDeshacer r, const host::ErrorBdD& e,
                                          const QString& nada) {
        const int guardada = diario_->guardadaSegunOtraConexion(r.quitados.size());
        if (guardada == 0)
            return fallo(opciones_, QStringLiteral("Se perdió la conexión mientras se confirmaba "
                                                   "el deshacer, y la bitácora muestra que no "
                                                   "quedó guardado. %1\n%2")
                                        .arg(nada, e.mensaje()));
        if (guardada < 0)
            return fallo(opciones_,
                         QStringLiteral("Se perdió la conexión mientras se confirmaba el "
                                        "deshacer: no se sabe si quedó guardado. Consulte la "
                                        "corrida %1 en la bitácora (acumulapedidos bitacora "
                                        "--corrida %1) antes de intentarlo otra vez.\n%2")
                             .arg(corrida_.id)
                             .arg(e.mensaje()));
        r.ok = true;
        r.mensaje = InformeDeshacer::mensaje(r);
        r.avisos << QStringLiteral("Se perdió la conexión mientras se confirmaba el deshacer, "
                                   "pero la bitácora muestra que quedó guardado.");
        return r;
    }

    host::Conexion& conexion_;
    const Corrida& corrida_;
    const OpcionesDeshacer& opciones_;
    const LlamadasDeshacer& llamadas_;
    const bitacora::Bitacora* diario_;
};

} // namespace

ResultadoDeshacer DeshaceCorrida(host::Conexion& conexion, const OpcionesDeshacer& pedidas,
                                 const LlamadasDeshacer& llamadas) {
    OpcionesDeshacer opciones = pedidas;
    opciones.base = conexion.base();
    Corrida corrida;
    try {
        // On a cluster, the run's end and its orders may have been written through another
        // node: every read waits until this node has them.
        conexion.leeAlDia();
        // What a run stored is read in the journal's layout: a newer one is not guessed at.
        bitacora::EsquemaBitacora::exigeVersionConocida(conexion);
        bitacora::Seleccion seleccion;
        seleccion.corrida = opciones.corrida;
        const QVector<Corrida> halladas =
            bitacora::ConsultasBitacora::corridas(conexion, seleccion);
        if (halladas.isEmpty())
            return fallo(opciones, QStringLiteral("No hay corrida %1 en la bitácora de la base de "
                                                  "datos \"%2\".")
                                       .arg(opciones.corrida)
                                       .arg(opciones.base));
        corrida = halladas.first();
        if (const QString no = noSeDeshace(corrida); !no.isEmpty()) {
            ResultadoDeshacer r = fallo(opciones, no);
            r.operacion = corrida.operacion;
            return r;
        }
        host::ExigeTransacciones(conexion, corrida.base, tablasEscritas(corrida.operacion));
    } catch (const host::ErrorBdD& e) {
        return fallo(opciones,
                     QStringLiteral("No se deshizo la corrida %1: %2\nNo se escribió nada.")
                         .arg(opciones.corrida)
                         .arg(e.mensaje()));
    }
    // The undo is itself a run of the journal; a preview keeps none, as it stores nothing.
    std::unique_ptr<bitacora::Bitacora> diario;
    if (!opciones.revisar) {
        bitacora::Parametros parametros;
        parametros.deshace = corrida.id;
        try {
            diario =
                std::make_unique<bitacora::Bitacora>(conexion, Operacion::Deshacer, parametros);
        } catch (const transferencia::Cancelado&) {
            return fallo(opciones, QStringLiteral("Se canceló. No se escribió nada."), true);
        } catch (const host::ErrorBdD& e) {
            return fallo(opciones, QStringLiteral("No se deshizo la corrida %1: %2\nNo se escribió "
                                                  "nada.")
                                       .arg(corrida.id)
                                       .arg(e.mensaje()));
        }
        // What was undone must be recorded, or a second undo and the fingerprints would not
        // know it.
        if (!diario->activa())
            return fallo(opciones, QStringLiteral("No se deshizo la corrida %1: sin bitácora no "
                                                  "quedaría anotado lo que se deshizo. %2\nNo se "
                                                  "escribió nada.")
                                       .arg(corrida.id)
                                       .arg(diario->aviso()));
    }
    ResultadoDeshacer r = Corredor(conexion, corrida, opciones, llamadas, diario.get()).corre();
    r.operacion = corrida.operacion;
    if (diario) {
        r.deshacer = diario->corrida();
        QString mensaje = r.mensaje;
        for (const QString& aviso : std::as_const(r.avisos))
            mensaje += QLatin1Char('\n') + aviso;
        const host::Vigia::SinInterrumpir sinInterrumpir;
        const QString fin = diario->cierra(
            r.ok          ? bitacora::EstadoCorrida::Hecho
            : r.cancelado ? bitacora::EstadoCorrida::Cancelado
                          : bitacora::EstadoCorrida::Fallido,
            mensaje, {qint64(r.quitados.size()), r.renglones, qint64(r.clientes.size())});
        r.avisoBitacora = fin;
    }
    return r;
}

ResultadoDeshacer DeshaceCorrida(const host::BasesDD& bases, const QStringList& basesBitacora,
                                 const OpcionesDeshacer& opciones,
                                 const LlamadasDeshacer& llamadas) {
    if (!opciones.base.isEmpty()) {
        try {
            return DeshaceCorrida(*bases.abre(opciones.base), opciones, llamadas);
        } catch (const host::ErrorBdD& e) {
            return fallo(opciones, e.mensaje());
        }
    }
    // The journal that holds that run as an accumulation or an import, as bitacora lists it.
    QStringList vistas, conCorrida;
    QString exportacion;
    for (const QString& base : basesBitacora) {
        if (base.trimmed().isEmpty() || vistas.contains(base, Qt::CaseInsensitive))
            continue;
        vistas << base;
        try {
            auto conexion = bases.abre(base);
            conexion->leeAlDia();
            bitacora::Seleccion seleccion;
            seleccion.corrida = opciones.corrida;
            for (const Corrida& c : bitacora::ConsultasBitacora::corridas(*conexion, seleccion)) {
                if (c.operacion == Operacion::Exportacion)
                    exportacion = base;
                else
                    conCorrida << base;
            }
        } catch (const host::ErrorBdD& e) {
            return fallo(opciones, e.mensaje());
        }
    }
    if (conCorrida.size() > 1)
        return fallo(opciones,
                     QStringLiteral("Hay una corrida %1 en la bitácora de varias bases de datos "
                                    "(%2): indique cuál se deshace con --base.")
                         .arg(opciones.corrida)
                         .arg(conCorrida.join(QStringLiteral(", "))));
    OpcionesDeshacer en = opciones;
    if (!conCorrida.isEmpty())
        en.base = conCorrida.first();
    else if (!exportacion.isEmpty())
        en.base = exportacion; // told that an export has nothing to undo
    else
        return fallo(opciones, QStringLiteral("No hay corrida %1 en la bitácora de %2.")
                                   .arg(opciones.corrida)
                                   .arg(vistas.isEmpty() ? QStringLiteral("ninguna base de datos")
                                                         : QStringLiteral("las bases de datos ") +
                                                               vistas.join(QStringLiteral(", "))));
    return DeshaceCorrida(bases, basesBitacora, en, llamadas);
}

} // namespace deshacer
