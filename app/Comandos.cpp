#include "app/Comandos.h"

#include <algorithm>

namespace comandos {

const QList<Orden>& ordenes() {
    static const QList<Orden> tabla{
        {QStringLiteral("verificar"),
         QStringLiteral("comprueba la conexión con las bases de datos principal, de exportación, "
                        "de importación y de cada destino"),
         opcionesVerificar, verificarConDestinos},
        {QStringLiteral("buscar"),
         QStringLiteral("lista los pedidos pendientes de las otras empresas"), opcionesBuscar,
         buscar},
        {QStringLiteral("acumular"), QStringLiteral("genera los pedidos acumulados"),
         opcionesAcumular, acumular},
        {QStringLiteral("exportar"),
         QStringLiteral("escribe los pedidos al archivo de transferencia y lo copia a una carpeta"),
         opcionesExportar, exportar},
        {QStringLiteral("importar"), QStringLiteral("lee un archivo de transferencia"),
         opcionesImportar, importar},
        {QStringLiteral("enviar"),
         QStringLiteral("envía los pedidos a la base de datos de otro servidor (un destino) y "
                        "guarda el archivo enviado"),
         opcionesEnviar, enviar},
        {QStringLiteral("conciliar"),
         QStringLiteral("compara una exportación con lo que llegó a su destino"), opcionesConciliar,
         conciliar},
        {QStringLiteral("bitacora"),
         QStringLiteral("muestra las operaciones hechas (acumulaciones, exportaciones e "
                        "importaciones): las recientes, o las de las fechas pedidas"),
         opcionesBitacora, leeBitacora},
        {QStringLiteral("deshacer"),
         QStringLiteral("deshace una importación o una acumulación anotada en la bitácora"),
         opcionesDeshacer, deshacer},
    };
    return tabla;
}

const Orden* orden(const QString& nombre) {
    const auto& tabla = ordenes();
    const auto i = std::find_if(tabla.cbegin(), tabla.cend(),
                                [&](const Orden& o) { return o.nombre == nombre; });
    return i == tabla.cend() ? nullptr : &*i;
}

} // namespace comandos
