#include "undo/ComandoDeshacer.h"

#include "journal/LecturaBitacora.h"
#include "shell/InterrupcionOrden.h"
#include "shell/Programa.h"
#include "shell/host/BasesDD.h"
#include "shell/host/TextoConDetalle.h"
#include "undo/Deshacer.h"

#include <QTextStream>

namespace comandos {

const QList<Opcion>& opcionesDeshacer() {
    static const QList<Opcion> lista = {
        {QStringLiteral("corrida"), QStringLiteral("N"),
         QStringLiteral("número de la corrida que se deshace, como lo muestra bitacora"), true},
        {QStringLiteral("base"), QStringLiteral("BASE"),
         QStringLiteral("base de datos en cuya bitácora está la corrida (por omisión, la que la "
                        "tiene como acumulación o importación)")},
        {QStringLiteral("revisar"), {}, QStringLiteral("muestra lo que haría sin escribir nada")},
        {QStringLiteral("parcial"),
         {},
         QStringLiteral("si hay pedidos que cambiaron después de la corrida, deshace sólo los "
                        "demás")},
    };
    return lista;
}

int deshacer(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores) {
    OpcionesOrden leidas(argumentos, opcionesDeshacer());
    deshacer::OpcionesDeshacer opciones;
    opciones.corrida = leidas.corrida(QStringLiteral("corrida"));
    if (!leidas.tiene(QStringLiteral("corrida")))
        leidas.falla(QStringLiteral("Falta la corrida que se deshace (--corrida)."));
    if (!leidas.error().isEmpty()) {
        errores << leidas.error() << Qt::endl
                << OpcionesOrden::uso(QStringLiteral("deshacer"), opcionesDeshacer()) << Qt::endl;
        return 1;
    }
    opciones.base = leidas.valor(QStringLiteral("base")).trimmed();
    opciones.revisar = leidas.tiene(QStringLiteral("revisar"));
    opciones.parcial = leidas.tiene(QStringLiteral("parcial"));
    const InterrupcionOrden interrupcion;
    deshacer::LlamadasDeshacer llamadas;
    llamadas.cancelar = &InterrupcionOrden::pedida;
    const auto r = deshacer::DeshaceCorrida(*programa.bases, bitacora::BasesConBitacora(programa),
                                            opciones, llamadas);
    if (!r.avisoBitacora.isEmpty())
        errores << QStringLiteral("Aviso: ") << r.avisoBitacora << Qt::endl;
    if (!r.quitados.isEmpty() || !r.dejados.isEmpty())
        for (const QString& linea : r.informe())
            salida << linea << '\n';
    salida.flush();
    for (const QString& aviso : r.avisos)
        errores << QStringLiteral("Aviso: ") << aviso << Qt::endl;
    if (!r.ok) {
        errores << host::TextoConDetalle::enDosLineas(r.mensaje) << Qt::endl;
        return 1;
    }
    salida << r.mensaje << Qt::endl;
    return 0;
}

} // namespace comandos
