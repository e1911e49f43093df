#include "import/Importacion.h"

#include "data/FormatoTransferencia.h"
#include "shell/Comandos.h"

#include <QDir>
#include <QFileInfo>

namespace comandos {

int importar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores) {
    QString archivo;
    for (int i = 0; i < argumentos.size(); ++i) {
        if (argumentos[i] == QLatin1String("--archivo") && i + 1 < argumentos.size()) {
            archivo = argumentos[++i];
        } else {
            errores << QStringLiteral("Opción desconocida o sin valor: %1").arg(argumentos[i])
                    << Qt::endl
                    << QStringLiteral("Uso: acumulapedidos importar --archivo ARCHIVO") << Qt::endl;
            return 1;
        }
    }
    archivo = transferencia::nombreArchivo(archivo);
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
    const auto r = importacion::SubePedidos(*programa.bases, programa.baseImportar,
                                            info.absoluteFilePath(), carpeta);
    if (!r.ok) {
        errores << r.mensaje << Qt::endl;
        return 1;
    }
    for (const importacion::PedidoImportado& p : r.importados)
        salida << p.texto() << Qt::endl;
    for (const QString& aviso : r.avisos)
        errores << QStringLiteral("Aviso: ") << aviso << Qt::endl;
    salida << r.mensaje << Qt::endl;
    return 0;
}

} // namespace comandos
