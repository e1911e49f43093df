#include "app/LineaOrdenes.h"

#include "app/Comandos.h"
#include "shell/OpcionesOrden.h"

LineaOrdenes LineaOrdenes::interpreta(const QStringList& argumentos) {
    LineaOrdenes linea;
    const OpcionesOrden previas(argumentos, {}, true);
    if (!previas.error().isEmpty()) {
        linea.error = previas.error();
        return linea;
    }
    QList<const OpcionesOrden*> partes{&previas};
    std::optional<OpcionesOrden> deLaOrden;
    if (!previas.resto().isEmpty()) {
        linea.orden = previas.resto().first();
        linea.argumentos = previas.resto().mid(1);
        const comandos::Orden* orden = comandos::orden(linea.orden);
        if (!orden) {
            linea.error = QStringLiteral("Orden desconocida: %1").arg(linea.orden);
            return linea;
        }
        deLaOrden.emplace(linea.argumentos, orden->opciones());
        partes << &*deLaOrden;
    }
    bool conIni = false;
    for (const OpcionesOrden* o : partes) {
        if (o->tiene(QStringLiteral("ini"))) {
            linea.archivoIni = o->valor(QStringLiteral("ini"));
            conIni = true;
        }
        linea.ayuda |= o->tiene(QStringLiteral("help"));
        linea.version |= o->tiene(QStringLiteral("version"));
    }
    // The help is shown whatever else is wrong in the line.
    if (deLaOrden && !linea.ayuda)
        linea.error = deLaOrden->error();
    if (linea.error.isEmpty() && conIni && linea.archivoIni.isEmpty())
        linea.error = QStringLiteral("Falta el nombre del archivo después de --ini.");
    return linea;
}

QString LineaOrdenes::uso() const {
    if (const comandos::Orden* o = comandos::orden(orden))
        return OpcionesOrden::uso(o->nombre, o->opciones()) +
               QStringLiteral("\n«acumulapedidos %1 --help» explica sus opciones.").arg(o->nombre);
    return QStringLiteral("Uso: acumulapedidos [--ini ARCHIVO] [ORDEN [OPCIONES...]]\n"
                          "«acumulapedidos --help» explica las órdenes y sus opciones.");
}

QString LineaOrdenes::textoAyuda() const {
    if (const comandos::Orden* o = comandos::orden(orden))
        return OpcionesOrden::uso(o->nombre, o->opciones()) + QStringLiteral("\n\n") +
               o->resumen.left(1).toUpper() + o->resumen.mid(1) + QStringLiteral(".\n") +
               (o->opciones().isEmpty()
                    ? QString()
                    : QStringLiteral("\nOpciones:\n") + OpcionesOrden::textoAyuda(o->opciones())) +
               QStringLiteral("\nFECHA se escribe dd/mm/aaaa o aaaa-mm-dd. También admite las "
                              "opciones del programa (acumulapedidos --help).\n"
                              "El resultado es 0 si la orden termina bien y 1 si falla.\n");
    QString ordenes;
    for (const comandos::Orden& o : comandos::ordenes())
        ordenes += QStringLiteral("  %1  %2\n").arg(o.nombre, -9).arg(o.resumen);
    return QStringLiteral("Uso: acumulapedidos [OPCIONES] [ORDEN [OPCIONES DE LA ORDEN...]]\n"
                          "\n"
                          "Sin orden se abren las ventanas del programa. Órdenes (se ejecutan sin "
                          "ventanas):\n") +
           ordenes +
           QStringLiteral("\n«acumulapedidos ORDEN --help» explica las opciones de cada orden.\n"
                          "\nOpciones del programa (antes o después de la orden):\n") +
           OpcionesOrden::textoAyuda(OpcionesOrden::comunes()) +
           QStringLiteral("\nLas opciones con valor se escriben «--opción valor» u "
                          "«--opción=valor»; las de Qt (con un guion), «-platform offscreen».\n"
                          "El resultado es 0 si la orden termina bien y 1 si falla.\n");
}

QString LineaOrdenes::textoVersion() {
    return QStringLiteral("acumulapedidos %1.%2.%3")
        .arg(ACUMULA_VERSION_MAJOR)
        .arg(ACUMULA_VERSION_MINOR)
        .arg(ACUMULA_VERSION_PATCH);
}
