#include "import/Importacion.h"

#include "data/FormatoTransferencia.h"
#include "import/ComandoImportar.h"
#include "import/InformeImportacion.h"
#include "shell/InterrupcionOrden.h"
#include "shell/Programa.h"
#include "shell/host/TextoConDetalle.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>

namespace comandos {

const QList<Opcion>& opcionesImportar() {
    static const QList<Opcion> lista = {
        {QStringLiteral("archivo"), QStringLiteral("ARCHIVO"),
         QStringLiteral("archivo de transferencia que se importa (sin extensión, se le añade "
                        ".txt)"),
         true},
        {QStringLiteral("omitir-importados"),
         {},
         QStringLiteral("si el archivo tiene pedidos ya importados, importa sólo los nuevos")},
        {QStringLiteral("repetir"),
         {},
         QStringLiteral("si el archivo tiene pedidos ya importados, los importa todos otra vez")},
        {QStringLiteral("revisar"),
         {},
         QStringLiteral("muestra lo que haría la importación sin escribir nada")},
    };
    return lista;
}

int importar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores) {
    OpcionesOrden leidas(argumentos, opcionesImportar());
    const bool omitir = leidas.tiene(QStringLiteral("omitir-importados"));
    const bool repetir = leidas.tiene(QStringLiteral("repetir"));
    if (omitir && repetir)
        leidas.falla(QStringLiteral("--omitir-importados y --repetir no van juntas: elija una."));
    if (!leidas.error().isEmpty()) {
        errores << leidas.error() << Qt::endl
                << OpcionesOrden::uso(QStringLiteral("importar"), opcionesImportar()) << Qt::endl;
        return 1;
    }
    importacion::OpcionesImportacion opciones;
    opciones.revisar = leidas.tiene(QStringLiteral("revisar"));
    if (omitir || repetir)
        opciones.importados =
            repetir ? importacion::Importados::Repetir : importacion::Importados::Omitir;
    const QString archivo = transferencia::nombreArchivo(leidas.valor(QStringLiteral("archivo")));
    if (archivo.isEmpty()) {
        errores << QStringLiteral("Falta el archivo que se va a importar (--archivo).") << Qt::endl;
        return 1;
    }
    const QFileInfo info(archivo);
    if (!info.isFile()) {
        errores << QStringLiteral("No existe el archivo indicado: %1")
                       .arg(QDir::toNativeSeparators(info.absoluteFilePath()))
                << Qt::endl;
        return 1;
    }
    const QString carpeta =
        programa.carpetaPrograma.isEmpty() ? QDir::currentPath() : programa.carpetaPrograma;
    const InterrupcionOrden interrupcion;
    importacion::LlamadasImportacion llamadas;
    llamadas.cancelar = &InterrupcionOrden::pedida;
    const auto r = importacion::SubePedidos(*programa.bases, programa.baseImportar,
                                            info.absoluteFilePath(), carpeta, llamadas, opciones);
    return escribeImportacion(r, salida, errores);
}

int escribeImportacion(const importacion::ResultadoImportacion& r, QTextStream& salida,
                       QTextStream& errores) {
    if (!r.avisoBitacora.isEmpty())
        errores << QStringLiteral("Aviso: ") << r.avisoBitacora << Qt::endl;
    if (r.revision && (r.ok || r.rechazadoPorImportados)) {
        importacion::InformeImportacion::escribe(r, salida);
    }
    if (!r.ok) {
        if (!r.revision && r.rechazadoPorImportados) {
            // The first ones say which; the count is in the message.
            constexpr qsizetype listados = 20;
            for (const importacion::PedidoYaImportado& p :
                 r.yaImportados.first(std::min(listados, r.yaImportados.size())))
                errores << QStringLiteral("  línea %1, pedido %2 del archivo%3")
                               .arg(p.linea)
                               .arg(p.origen,
                                    p.pedidoAnterior.isEmpty()
                                        ? QString()
                                        : QStringLiteral(": es el %1").arg(p.pedidoAnterior))
                        << Qt::endl;
            if (r.yaImportados.size() > listados)
                errores << QStringLiteral("  y %1 más").arg(r.yaImportados.size() - listados)
                        << Qt::endl;
        }
        errores << host::TextoConDetalle::enDosLineas(r.mensaje) << Qt::endl;
        if (r.rechazadoPorImportados)
            errores << QStringLiteral("Para importar sólo los pedidos nuevos use "
                                      "--omitir-importados; para importarlos todos otra vez, "
                                      "--repetir.")
                    << Qt::endl;
        return 1;
    }
    if (!r.revision)
        for (const importacion::PedidoImportado& p : r.importados)
            salida << p.texto() << Qt::endl;
    for (const QString& aviso : r.avisos)
        errores << QStringLiteral("Aviso: ") << aviso << Qt::endl;
    salida << r.mensaje << Qt::endl;
    return 0;
}

} // namespace comandos
