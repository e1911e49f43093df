#include "journal/LecturaBitacora.h"

#include "shell/Programa.h"
#include "shell/host/BasesDD.h"
#include "shell/host/Conexion.h"
#include "shell/host/Fechas.h"

namespace bitacora {

QStringList BasesConBitacora(const Programa& programa) {
    QStringList nombres;
    for (const QString& base :
         {programa.bases->cMiBase, programa.baseExportar, programa.baseImportar}) {
        const QString nombre = base.trimmed();
        if (!nombre.isEmpty() && !nombres.contains(nombre))
            nombres << nombre;
    }
    return nombres;
}

QVector<PedidoAnotado> LeePedidos(const host::BasesDD& bases, const Corrida& corrida) {
    auto conexion = bases.abre(corrida.base);
    return LeePedidos(*conexion, corrida);
}

QVector<PedidoAnotado> LeePedidos(host::Conexion& conexion, const Corrida& corrida) {
    QVector<PedidoAnotado> pedidos = bitacora::ConsultasBitacora::pedidos(conexion, corrida.id);
    // An export's orders all went to the run's file, which only the run records.
    if (corrida.operacion == Operacion::Exportacion)
        for (PedidoAnotado& p : pedidos)
            if (p.archivo.isEmpty())
                p.archivo = corrida.parametros.archivo;
    return pedidos;
}

} // namespace bitacora
