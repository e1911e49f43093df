#include "export/Exportacion.h"

#include "data/FormatoTransferencia.h"
#include "journal/AvisoBitacora.h"
#include "shell/Comandos.h"
#include "shell/host/Fechas.h"

#include <QDir>
#include <QSet>

namespace comandos {

namespace {

const QString uso =
    QStringLiteral("Uso: acumulapedidos exportar [--desde FECHA] [--hasta FECHA] --archivo NOMBRE "
                   "--destino CARPETA [--id ID]...");

struct OpcionesExportar {
    std::optional<QDate> desde, hasta;
    QString archivo, destino;
    QVector<qint64> ids;
};

// Reads the arguments; gives the error text, or empty when they are fine.
QString leeOpciones(const QStringList& argumentos, OpcionesExportar& o) {
    for (int i = 0; i < argumentos.size(); ++i) {
        const QString& opcion = argumentos[i];
        if (i + 1 >= argumentos.size())
            return QStringLiteral("Falta el valor de %1.").arg(opcion);
        const QString valor = argumentos[++i];
        if (opcion == QLatin1String("--desde") || opcion == QLatin1String("--hasta")) {
            const QDate f = host::Fechas::deTextoCorto(valor);
            if (!f.isValid())
                return QStringLiteral("La fecha \"%1\" de %2 no es válida (use dd/mm/aaaa o "
                                      "aaaa-mm-dd).")
                    .arg(valor, opcion);
            (opcion == QLatin1String("--desde") ? o.desde : o.hasta) = f;
        } else if (opcion == QLatin1String("--archivo")) {
            o.archivo = valor;
        } else if (opcion == QLatin1String("--destino")) {
            o.destino = valor;
        } else if (opcion == QLatin1String("--id")) {
            bool ok = false;
            const qint64 id = valor.toLongLong(&ok);
            if (!ok)
                return QStringLiteral("El Id \"%1\" no es un número entero.").arg(valor);
            o.ids << id;
        } else {
            return QStringLiteral("Opción desconocida: %1").arg(opcion);
        }
    }
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

int exportar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores) {
    OpcionesExportar o;
    const QString error = leeOpciones(argumentos, o);
    if (!error.isEmpty()) {
        errores << error << Qt::endl << uso << Qt::endl;
        return 1;
    }
    const QString rechazo =
        exportacion::CompruebaNombre(o.archivo, carpetaDe(programa), programa.archivosPropios());
    if (!rechazo.isEmpty()) {
        errores << rechazo << Qt::endl;
        return 1;
    }
    if (programa.baseExportar.trimmed().isEmpty()) {
        errores << QStringLiteral("No está configurada la base de datos para exportar pedidos "
                                  "(\"Para exportar pedidos\").")
                << Qt::endl;
        return 1;
    }
    try {
        auto conexion = programa.bases->abre(programa.baseExportar);
        const auto filas = exportacion::BuscaPedidosExportar(*conexion, o.desde, o.hasta);
        const QSet<qint64> pedidos(o.ids.cbegin(), o.ids.cend());
        QVector<qint64> ids;
        QSet<qint64> hallados;
        for (const auto& f : filas) {
            if (!pedidos.isEmpty() && !pedidos.contains(f.id))
                continue;
            ids << f.id;
            hallados.insert(f.id);
        }
        for (qint64 id : o.ids)
            if (!hallados.contains(id))
                errores << QStringLiteral("Aviso: no hay pedido con Id %1 en el rango de fechas.")
                               .arg(id)
                        << Qt::endl;
        if (ids.isEmpty()) {
            errores << QStringLiteral("No hay pedidos registrados con esos datos") << Qt::endl;
            return 1;
        }
        const auto r = exportacion::ExportaPedidos(
            *conexion, ids, o.archivo, carpetaDe(programa), QDir(o.destino).absolutePath(), {},
            programa.archivosPropios(), true, o.desde, o.hasta);
        bitacora::avisaSinBitacora(errores, r.avisoBitacora);
        for (const QString& aviso : r.avisos)
            errores << QStringLiteral("Aviso: ") << aviso << Qt::endl;
        if (!r.ok) {
            errores << r.mensaje << Qt::endl;
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
    } catch (const host::ErrorBdD& e) {
        errores << e.mensaje() << Qt::endl;
        return 1;
    }
}

} // namespace comandos
