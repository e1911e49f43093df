#include "shell/ComandoVerificar.h"

#include "shell/Cantidad.h"
#include "shell/Programa.h"
#include "shell/host/Recordset.h"

#include <QDir>
#include <QTextStream>

namespace comandos {

namespace {

bool verificaBase(host::BasesDD& bases, const QString& papel, const QString& base,
                  QTextStream& salida, QTextStream& errores) {
    try {
        auto conexion = bases.abre(base);
        auto rs = conexion->consulta(
            QStringLiteral(
                "SELECT VERSION(), COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA=?"),
            {base});
        salida << QStringLiteral("%1 \"%2\" (servidor %3, puerto %4, usuario \"%5\"): "
                                 "conectada, %6 (versión del servidor %7).")
                      .arg(papel, base, bases.cRuta)
                      .arg(bases.cPuerto)
                      .arg(bases.cUsuario,
                           cantidad(rs->entero(1), QStringLiteral("tabla"),
                                    QStringLiteral("tablas")),
                           rs->texto(0))
               << Qt::endl;
        return true;
    } catch (const host::ErrorBdD& e) {
        QString mensaje = e.mensaje();
        mensaje.replace(u'\r', u' ').replace(u'\n', u' '); // one line per database
        errores << QStringLiteral("%1 \"%2\": %3").arg(papel, base, mensaje) << Qt::endl;
        return false;
    }
}

} // namespace

const QList<Opcion>& opcionesVerificar() {
    static const QList<Opcion> ninguna;
    return ninguna;
}

int verificar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
              QTextStream& errores) {
    if (const OpcionesOrden opciones(argumentos, opcionesVerificar());
        !opciones.error().isEmpty()) {
        errores << opciones.error() << Qt::endl;
        return 1;
    }
    if (!programa.archivoIni.isEmpty()) {
        salida << QStringLiteral("Archivo de configuración: %1")
                      .arg(QDir::toNativeSeparators(programa.archivoIni));
        if (!programa.carpetaSinIni.isEmpty())
            salida << QStringLiteral(" (en la carpeta de configuración del usuario: la carpeta "
                                     "del programa, %1, no admite escribir en ella).")
                          .arg(QDir::toNativeSeparators(programa.carpetaSinIni));
        else
            salida << QLatin1Char('.');
        salida << Qt::endl;
    }
    host::BasesDD& bases = *programa.bases;
    bool bien = verificaBase(bases, QStringLiteral("Base de datos principal"), bases.cMiBase,
                             salida, errores);
    bien &= verificaBase(bases, QStringLiteral("Para exportar pedidos"), programa.baseExportar,
                         salida, errores);
    bien &= verificaBase(bases, QStringLiteral("Para importar pedidos"), programa.baseImportar,
                         salida, errores);
    return bien ? 0 : 1;
}

} // namespace comandos
