#include "shell/LineaOrdenes.h"

LineaOrdenes LineaOrdenes::interpreta(const QStringList& argumentos) {
    LineaOrdenes linea;
    QStringList resto = argumentos;
    const QString opcion = QStringLiteral("--ini");
    if (!resto.isEmpty() && resto.first().startsWith(opcion + u'=')) {
        linea.archivoIni = resto.takeFirst().mid(opcion.size() + 1);
        if (linea.archivoIni.isEmpty())
            linea.error = QStringLiteral("Falta el nombre del archivo después de --ini.");
    } else if (!resto.isEmpty() && resto.first() == opcion) {
        resto.removeFirst();
        if (resto.isEmpty() || resto.first().isEmpty())
            linea.error = QStringLiteral("Falta el nombre del archivo después de --ini.");
        else
            linea.archivoIni = resto.takeFirst();
    }
    if (!linea.error.isEmpty())
        return linea;
    if (!resto.isEmpty()) {
        linea.orden = resto.takeFirst();
        if (linea.orden.startsWith(u'-'))
            linea.error = QStringLiteral("Opción desconocida: %1 (--ini debe ir antes de la "
                                         "orden).")
                              .arg(linea.orden);
    }
    linea.argumentos = resto;
    return linea;
}

QString LineaOrdenes::uso() {
    return QStringLiteral(
        "Uso: acumulapedidos [--ini ARCHIVO] [ORDEN [ARGUMENTOS...]]\n"
        "\n"
        "Sin orden se abren las ventanas del programa. Órdenes (se ejecutan sin ventanas):\n"
        "  verificar   comprueba la conexión con las bases de datos principal, de "
        "exportación y de importación\n"
        "  buscar      lista los pedidos pendientes de las otras empresas\n"
        "  acumular    genera los pedidos acumulados\n"
        "  exportar    escribe los pedidos al archivo de transferencia\n"
        "  importar    lee un archivo de transferencia\n"
        "  bitacora    muestra las operaciones hechas (acumulaciones, exportaciones e "
        "importaciones)\n"
        "\n"
        "--ini ARCHIVO usa ese archivo de configuración en lugar de acumulapedidos.ini; su "
        "carpeta es entonces la carpeta del programa.\n"
        "El resultado es 0 si la orden termina bien y 1 si falla.");
}
