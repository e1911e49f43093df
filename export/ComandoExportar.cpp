#include "export/Exportacion.h"

#include "data/FormatoTransferencia.h"
#include "export/ComandoExportar.h"
#include "journal/AvisoBitacora.h"
#include "shell/InterrupcionOrden.h"
#include "shell/Programa.h"
#include "shell/host/TextoConDetalle.h"

#include <QDir>
#include <QTextStream>

namespace comandos {

namespace {

struct OpcionesExportar {
    std::optional<QDate> desde, hasta;
    QString archivo, destino;
    QVector<qint64> ids;
};

// Reads the arguments; gives the error text, or empty when they are fine.
QString leeOpciones(const QStringList& argumentos, OpcionesExportar& o) {
    OpcionesOrden opciones(argumentos, opcionesExportar());
    o.desde = opciones.fechaSiHay(QStringLiteral("desde"));
    o.hasta = opciones.fechaSiHay(QStringLiteral("hasta"));
    if (!opciones.error().isEmpty())
        return opciones.error();
    o.archivo = opciones.valor(QStringLiteral("archivo"));
    o.destino = opciones.valor(QStringLiteral("destino"));
    o.ids = opciones.ids(QStringLiteral("id"));
    if (!opciones.error().isEmpty())
        return opciones.error();
    if (transferencia::nombreArchivo(o.archivo).isEmpty())
        return QStringLiteral("Falta el nombre del archivo (--archivo).");
    if (o.destino.trimmed().isEmpty())
        return QStringLiteral("Falta la carpeta de destino (--destino).");
    return {};
}

QString carpetaDe(const Programa& programa) {
    return programa.carpetaPrograma.isEmpty() ? QDir::currentPath() : programa.carpetaPrograma;
}

} // namespace

const QList<Opcion>& opcionesExportar() {
    static const QList<Opcion> lista = {
        opcionFecha(QStringLiteral("desde"),
                    QStringLiteral("primer día de los pedidos (sin ella, desde el primero)")),
        opcionFecha(QStringLiteral("hasta"),
                    QStringLiteral("último día de los pedidos (sin ella, hasta el último)")),
        {QStringLiteral("archivo"), QStringLiteral("NOMBRE"),
         QStringLiteral("nombre del archivo de transferencia (se le añade .txt)"), true},
        {QStringLiteral("destino"), QStringLiteral("CARPETA"),
         QStringLiteral("carpeta a la que se copia el archivo; uno del mismo nombre se "
                        "reemplaza"),
         true},
        {QStringLiteral("id"), QStringLiteral("ID"),
         QStringLiteral("sólo el pedido con ese Id (puede repetirse); sin ella, todos los de las "
                        "fechas"),
         false, true},
    };
    return lista;
}

bool hayBaseExportar(const Programa& programa, QTextStream& errores) {
    if (!programa.baseExportar.trimmed().isEmpty())
        return true;
    errores << QStringLiteral("No está configurada la base de datos para exportar pedidos "
                              "(\"Para exportar pedidos\").")
            << Qt::endl;
    return false;
}

int exportar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores) {
    OpcionesExportar o;
    const QString error = leeOpciones(argumentos, o);
    if (!error.isEmpty()) {
        errores << error << Qt::endl
                << OpcionesOrden::uso(QStringLiteral("exportar"), opcionesExportar()) << Qt::endl;
        return 1;
    }
    // The name and both folders before anything else: an export that cannot be copied
    // writes nothing, not even into the program folder.
    const QString destino = QDir(o.destino).absolutePath();
    for (const QString& rechazo :
         {exportacion::CompruebaNombre(o.archivo, carpetaDe(programa), programa.archivosPropios()),
          exportacion::CompruebaCarpeta(carpetaDe(programa), o.archivo, false),
          exportacion::CompruebaCarpeta(destino, o.archivo, true)})
        if (!rechazo.isEmpty()) {
            errores << rechazo << Qt::endl;
            return 1;
        }
    if (!hayBaseExportar(programa, errores))
        return 1;
    const InterrupcionOrden interrupcion;
    transferencia::Avance avance;
    avance.cancelar = &InterrupcionOrden::pedida;
    try {
        auto conexion = programa.bases->abre(programa.baseExportar);
        QStringList avisos;
        const QVector<qint64> ids =
            exportacion::PedidosElegidos(*conexion, o.desde, o.hasta, o.ids, avisos);
        for (const QString& aviso : std::as_const(avisos))
            errores << aviso << Qt::endl;
        if (ids.isEmpty()) {
            errores << QStringLiteral("No hay pedidos registrados con esos datos") << Qt::endl;
            return 1;
        }
        const auto r =
            exportacion::ExportaPedidos(*conexion, ids, o.archivo, carpetaDe(programa), destino,
                                        avance, programa.archivosPropios(), true, o.desde, o.hasta);
        bitacora::avisaSinBitacora(errores, r.avisoBitacora);
        for (const QString& aviso : r.avisos)
            errores << QStringLiteral("Aviso: ") << aviso << Qt::endl;
        if (!r.ok) {
            errores << host::TextoConDetalle::enDosLineas(r.mensaje) << Qt::endl;
            return 1;
        }
        salida
            << QStringLiteral("Archivo: %1").arg(QDir::toNativeSeparators(r.archivo)) << Qt::endl
            << QStringLiteral("Copia: %1").arg(QDir::toNativeSeparators(r.copia)) << Qt::endl
            << QStringLiteral("Pedidos escritos: %1, renglones: %2").arg(r.pedidos).arg(r.renglones)
            << Qt::endl;
        if (r.reemplazo)
            salida << QStringLiteral("Se reemplazó el archivo que ya había en %1.")
                          .arg(QDir::toNativeSeparators(r.copia))
                   << Qt::endl;
        return 0;
    } catch (const host::Error& e) {
        // The database, or a signal that stopped a statement waiting for it.
        errores << host::TextoConDetalle::enDosLineas(e.mensaje()) << Qt::endl;
        return 1;
    }
}

} // namespace comandos
