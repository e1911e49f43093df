#include "data/FormatoTransferencia.h"

namespace transferencia {

const QStringList& columnasEncabezado() {
    static const QStringList columnas = {
        QStringLiteral("Factura"),  QStringLiteral("Serie"),      QStringLiteral("Cliente"),
        QStringLiteral("Fecha"),    QStringLiteral("Vence"),      QStringLiteral("Nombre"),
        QStringLiteral("Telefono"), QStringLiteral("Domicilio"),  QStringLiteral("CP"),
        QStringLiteral("Colonia"),  QStringLiteral("Ciudad"),     QStringLiteral("Estado"),
        QStringLiteral("RFC"),      QStringLiteral("Descuento"),  QStringLiteral("Subtotal"),
        QStringLiteral("IVA"),      QStringLiteral("ImpuestoAd"), QStringLiteral("Desc1"),
        QStringLiteral("Desc2"),    QStringLiteral("Desc3"),      QStringLiteral("NotaF1"),
        QStringLiteral("NotaF2"),   QStringLiteral("NotaF3"),     QStringLiteral("NotaF4"),
        QStringLiteral("NotaF5"),   QStringLiteral("Nota"),       QStringLiteral("Moneda"),
        QStringLiteral("Paridad"),  QStringLiteral("Vendedor"),   QStringLiteral("Comision"),
        QStringLiteral("Usuario"),  QStringLiteral("Pagos"),      QStringLiteral("Afectada"),
        QStringLiteral("Cancelada")};
    return columnas;
}

const QStringList& columnasCliente() {
    static const QStringList columnas = {QStringLiteral("Atencion"), QStringLiteral("Telefono2"),
                                         QStringLiteral("Telefono3"), QStringLiteral("Telefono4"),
                                         QStringLiteral("Precio")};
    return columnas;
}

const QStringList& columnasRenglon() {
    static const QStringList columnas = {
        QStringLiteral("Partida"),     QStringLiteral("Producto"),
        QStringLiteral("Descripcion"), QStringLiteral("Cantidad"),
        QStringLiteral("PrecioBruto"), QStringLiteral("PrecioNeto"),
        QStringLiteral("Nota"),        QStringLiteral("Desc1"),
        QStringLiteral("Desc2"),       QStringLiteral("Desc3"),
        QStringLiteral("Moneda"),      QStringLiteral("IVA"),
        QStringLiteral("ImpuestoAd"),  QStringLiteral("Paridad"),
        QStringLiteral("Facturado"),   QStringLiteral("Pedido"),
        QStringLiteral("Cotizacion"),  QStringLiteral("PartidaCotizacion"),
        QStringLiteral("NotaRenglon"), QStringLiteral("ClaveAlterna")};
    return columnas;
}

QString nombreCampo(bool encabezado, int numero) {
    if (numero <= 1)
        return QStringLiteral("marca");
    if (!encabezado)
        return columnasRenglon().value(numero - 2);
    if (numero <= 35)
        return columnasEncabezado().value(numero - 2);
    return columnasCliente().value(numero - 36);
}

QString nombreArchivo(const QString& texto) {
    QString nombre = texto.trimmed();
    if (!nombre.isEmpty() && !nombre.toLower().contains(QLatin1String(".txt")))
        nombre += QLatin1String(".txt");
    return nombre;
}

} // namespace transferencia
