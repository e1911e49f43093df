#include "import/ventanas/InformesSubida.h"

#include "import/InformeImportacion.h"
#include "sales/TextoPedido.h"

#include <QDateTime>
#include <QDir>

namespace importacion {

namespace {

QString marcaDeTiempo() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"));
}

} // namespace

Informe informeRevision(const ResultadoImportacion& r, const QString& archivo) {
    Informe informe;
    informe.titulo = QStringLiteral("Revisión de la importación");
    QStringList resumen{QStringLiteral("Archivo %1").arg(QDir::toNativeSeparators(archivo)),
                        r.mensaje};
    resumen += r.avisos;
    informe.resumen = resumen.join(QLatin1Char('\n'));
    informe.columnas = {QStringLiteral("Lo que haría la importación")};
    InformeImportacion::recorre(
        r, [&informe](const QString& linea) { informe.renglones.push_back({linea}); });
    informe.archivo = QStringLiteral("revision-importacion-%1.txt").arg(marcaDeTiempo());
    return informe;
}

Informe informeImportacion(const ResultadoImportacion& r, const QString& archivo) {
    const QDateTime ahora = QDateTime::currentDateTime();
    Informe informe;
    informe.titulo = QStringLiteral("Informe de la importación");
    informe.resumen = r.mensaje + QStringLiteral("\nArchivo %1; importación del %2 a las %3.")
                                      .arg(QDir::toNativeSeparators(archivo),
                                           ahora.toString(QStringLiteral("dd/MM/yyyy")),
                                           ahora.toString(QStringLiteral("HH:mm")));
    informe.columnas = {QStringLiteral("Folio"), QStringLiteral("Id"),
                        QStringLiteral("Línea del archivo"), QStringLiteral("Pedido del archivo"),
                        QStringLiteral("Renglones")};
    for (const importacion::PedidoImportado& p : r.importados)
        informe.renglones.push_back({acumulacion::textoPedido(p.serie, p.folio),
                                     QString::number(p.id), QString::number(p.linea), p.origen,
                                     QString::number(p.renglones)});
    informe.archivo = QStringLiteral("importacion-%1.txt").arg(marcaDeTiempo());
    return informe;
}

} // namespace importacion
