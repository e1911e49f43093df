#include "send/ComandosEnvio.h"

#include "export/ComandoExportar.h"
#include "import/ComandoImportar.h"
#include "send/Conciliacion.h"
#include "send/Envio.h"
#include "send/VerificaDestino.h"
#include "shell/ComandoVerificar.h"
#include "shell/InterrupcionOrden.h"
#include "shell/Programa.h"
#include "shell/host/ErrorBdD.h"
#include "shell/host/TextoConDetalle.h"

#include <QDir>
#include <QTextStream>

namespace comandos {

namespace {

QString carpetaDe(const Programa& programa) {
    return programa.carpetaPrograma.isEmpty() ? QDir::currentPath() : programa.carpetaPrograma;
}

void escribeAvisos(const QStringList& avisos, QTextStream& errores) {
    for (const QString& aviso : avisos)
        if (!aviso.isEmpty())
            errores << (aviso.startsWith(QStringLiteral("Aviso")) ? QString()
                                                                  : QStringLiteral("Aviso: "))
                    << aviso << Qt::endl;
}

// The destination named, or why there is none (written to errores).
std::optional<envio::Destino> destinoDe(const Programa& programa, const QString& nombre,
                                        QTextStream& errores) {
    QStringList avisos;
    auto destino = envio::Destinos::busca(programa.archivoIni, nombre, &avisos);
    escribeAvisos(avisos, errores);
    if (!destino) {
        QStringList nombres;
        for (const envio::Destino& d : envio::Destinos::lee(programa.archivoIni))
            nombres << d.nombre;
        errores << QStringLiteral("No hay un destino \"%1\" en el archivo de configuración "
                                  "(%2): agregue una sección [Destino %1].%3")
                       .arg(nombre, QDir::toNativeSeparators(programa.archivoIni),
                            nombres.isEmpty() ? QString()
                                              : QStringLiteral(" Destinos configurados: %1.")
                                                    .arg(nombres.join(QStringLiteral(", "))))
                << Qt::endl;
        return std::nullopt;
    }
    if (!destino->error.isEmpty()) {
        errores << destino->error << Qt::endl;
        return std::nullopt;
    }
    return destino;
}

} // namespace

const QList<Opcion>& opcionesEnviar() {
    static const QList<Opcion> lista = {
        {QStringLiteral("destino"), QStringLiteral("NOMBRE"),
         QStringLiteral("destino al que se envían, una sección [Destino NOMBRE] del archivo de "
                        "configuración"),
         true},
        opcionFecha(QStringLiteral("desde"),
                    QStringLiteral("primer día de los pedidos (sin ella, desde el primero)")),
        opcionFecha(QStringLiteral("hasta"),
                    QStringLiteral("último día de los pedidos (sin ella, hasta el último)")),
        {QStringLiteral("id"), QStringLiteral("ID"),
         QStringLiteral("sólo el pedido con ese Id (puede repetirse); sin ella, todos los de las "
                        "fechas"),
         false, true},
        {QStringLiteral("revisar"),
         {},
         QStringLiteral("muestra lo que haría la importación en el destino sin escribir nada")},
        {QStringLiteral("omitir-importados"),
         {},
         QStringLiteral("si el destino ya recibió algunos pedidos, envía sólo los nuevos")},
        {QStringLiteral("repetir"),
         {},
         QStringLiteral("si el destino ya recibió algunos pedidos, los importa todos otra vez")},
    };
    return lista;
}

int enviar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
           QTextStream& errores) {
    OpcionesOrden leidas(argumentos, opcionesEnviar());
    envio::OpcionesEnvio opciones;
    opciones.desde = leidas.fechaSiHay(QStringLiteral("desde"));
    opciones.hasta = leidas.fechaSiHay(QStringLiteral("hasta"));
    const bool omitir = leidas.tiene(QStringLiteral("omitir-importados"));
    const bool repetir = leidas.tiene(QStringLiteral("repetir"));
    if (omitir && repetir)
        leidas.falla(QStringLiteral("--omitir-importados y --repetir no van juntas: elija una."));
    if (leidas.valor(QStringLiteral("destino")).trimmed().isEmpty())
        leidas.falla(QStringLiteral("Falta el destino (--destino)."));
    const QVector<qint64> pedidos = leidas.ids(QStringLiteral("id"));
    if (!leidas.error().isEmpty()) {
        errores << leidas.error() << Qt::endl
                << OpcionesOrden::uso(QStringLiteral("enviar"), opcionesEnviar()) << Qt::endl;
        return 1;
    }
    opciones.revisar = leidas.tiene(QStringLiteral("revisar"));
    if (omitir || repetir)
        opciones.importados =
            repetir ? importacion::Importados::Repetir : importacion::Importados::Omitir;
    const auto destino = destinoDe(programa, leidas.valor(QStringLiteral("destino")), errores);
    if (!destino)
        return 1;
    if (!hayBaseExportar(programa, errores))
        return 1;
    const InterrupcionOrden interrupcion;
    transferencia::Avance avance;
    avance.cancelar = &InterrupcionOrden::pedida;
    envio::ResultadoEnvio r;
    try {
        auto conexion = programa.bases->abre(programa.baseExportar);
        QStringList avisos;
        const QVector<qint64> ids = exportacion::PedidosElegidos(*conexion, opciones.desde,
                                                                 opciones.hasta, pedidos, avisos);
        escribeAvisos(avisos, errores);
        if (ids.isEmpty()) {
            errores << QStringLiteral("No hay pedidos registrados con esos datos") << Qt::endl;
            return 1;
        }
        r = envio::Envia(*conexion, ids, *destino, carpetaDe(programa), programa.archivosPropios(),
                         avance, opciones);
    } catch (const host::Error& e) {
        errores << host::TextoConDetalle::enDosLineas(e.mensaje()) << Qt::endl;
        return 1;
    }
    escribeAvisos(r.avisos, errores);
    if (!r.importacionHecha) {
        errores << host::TextoConDetalle::enDosLineas(r.mensaje) << Qt::endl;
        return 1;
    }
    // The destination's own report, as importar prints it; then what became of the file.
    const int estado = escribeImportacion(r.importacion, salida, errores);
    if (!opciones.revisar) {
        salida << QStringLiteral("Archivo enviado: %1").arg(QDir::toNativeSeparators(r.archivo))
               << Qt::endl
               << QStringLiteral("Corrida de exportación: %1").arg(r.corridaExportacion)
               << Qt::endl;
        (r.ok ? salida : errores) << r.resumen << QLatin1Char('.') << Qt::endl;
    }
    return r.ok ? estado : 1;
}

const QList<Opcion>& opcionesConciliar() {
    static const QList<Opcion> lista = {
        {QStringLiteral("corrida"), QStringLiteral("N"),
         QStringLiteral("número de la exportación en la bitácora"), true},
        {QStringLiteral("destino"), QStringLiteral("NOMBRE"),
         QStringLiteral("destino al que se envió (una sección [Destino NOMBRE])")},
        {QStringLiteral("base"), QStringLiteral("BASE"),
         QStringLiteral("base de datos de este servidor a la que se importó el archivo (sin "
                        "--destino ni --base, la de \"Para importar pedidos\")")},
    };
    return lista;
}

int conciliar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
              QTextStream& errores) {
    OpcionesOrden leidas(argumentos, opcionesConciliar());
    const qint64 corrida = leidas.corrida(QStringLiteral("corrida"));
    if (!leidas.tiene(QStringLiteral("corrida")))
        leidas.falla(QStringLiteral("Falta el número de la exportación (--corrida N)."));
    if (leidas.tiene(QStringLiteral("destino")) && leidas.tiene(QStringLiteral("base")))
        leidas.falla(QStringLiteral("--destino y --base no van juntas: elija una."));
    if (!leidas.error().isEmpty()) {
        errores << leidas.error() << Qt::endl
                << OpcionesOrden::uso(QStringLiteral("conciliar"), opcionesConciliar()) << Qt::endl;
        return 1;
    }
    try {
        std::unique_ptr<host::Conexion> destino;
        QString nombre;
        if (leidas.tiene(QStringLiteral("destino"))) {
            const auto d = destinoDe(programa, leidas.valor(QStringLiteral("destino")), errores);
            if (!d)
                return 1;
            escribeAvisos({d->avisoSinCifrado()}, errores);
            destino = envio::ConectaDestino(*d);
            nombre = QStringLiteral("el destino %1").arg(d->texto());
        } else {
            const QString base = leidas.tiene(QStringLiteral("base"))
                                     ? leidas.valor(QStringLiteral("base"))
                                     : programa.baseImportar;
            destino = programa.bases->abre(base);
            nombre = QStringLiteral("la base \"%1\"").arg(base);
        }
        auto exportacion = programa.bases->abre(programa.baseExportar);
        const auto r = envio::Concilia(*exportacion, corrida, *destino, nombre);
        if (!r.ok) {
            errores << host::TextoConDetalle::enDosLineas(r.mensaje) << Qt::endl;
            return 1;
        }
        envio::EscribeConciliacion(r, salida);
        return r.completo() ? 0 : 1;
    } catch (const host::Error& e) {
        errores << host::TextoConDetalle::enDosLineas(e.mensaje()) << Qt::endl;
        return 1;
    }
}

int verificarConDestinos(Programa& programa, const QStringList& argumentos, QTextStream& salida,
                         QTextStream& errores) {
    int estado = verificar(programa, argumentos, salida, errores);
    if (!OpcionesOrden(argumentos, opcionesVerificar()).error().isEmpty())
        return estado;
    QStringList avisos;
    for (const envio::Destino& d : envio::Destinos::lee(programa.archivoIni, &avisos)) {
        const ResultadoOperacion r = envio::VerificaDestino(d);
        if (!d.avisoSinCifrado().isEmpty())
            avisos << d.avisoSinCifrado();
        QString mensaje = r.mensaje;
        mensaje.replace(u'\r', u' ').replace(u'\n', u' ');
        (r.ok ? salida : errores) << mensaje << Qt::endl;
        if (!r.ok)
            estado = 1;
    }
    escribeAvisos(avisos, errores);
    return estado;
}

} // namespace comandos
