#include "import/AnotacionImportados.h"

#include "data/Bitacora.h"

namespace importacion {

using bitacora::Bitacora;

AnotacionImportados::AnotacionImportados(const Bitacora* bitacora, const QString& archivo)
    : pedidos_(6), huellas_(4) {
    activa_ = bitacora && bitacora->activa();
    if (!activa_)
        return;
    corrida_ = bitacora->corrida();
    archivo_ = archivo.left(1024); // as the journal keeps files
    const QByteArray corrida = QByteArray::number(bitacora->corrida());
    insertaPedidos_ = std::make_unique<InsercionEnBloque>(
        QStringLiteral("INSERT INTO %1 (Corrida, Archivo, Linea, Huella, IdNuevo, PedidoNuevo) "
                       "VALUES ")
            .arg(Bitacora::tablaPedidos())
            .toUtf8(),
        6);
    // A fingerprint seen before counts once more, with this run as its last.
    insertaHuellas_ = std::make_unique<InsercionEnBloque>(
        QStringLiteral("INSERT INTO %1 (Huella, PrimeraCorrida, UltimaCorrida, Veces) VALUES ")
            .arg(Bitacora::tablaHuellas())
            .toUtf8(),
        4, " ON DUPLICATE KEY UPDATE Veces=Veces+1, UltimaCorrida=" + corrida);
}

void AnotacionImportados::agrega(int linea, const QString& huella, qint64 id,
                                 const QString& pedido) {
    if (!activa_)
        return;
    const QVariant pedidoFila[] = {corrida_, archivo_, linea, huella, id, pedido};
    pedidos_.agregaFila(pedidoFila);
    const QVariant huellaFila[] = {huella, corrida_, corrida_, 1};
    huellas_.agregaFila(huellaFila);
}

void AnotacionImportados::escribe(host::Conexion& conexion) {
    if (!activa_)
        return;
    insertaPedidos_->inserta(conexion, pedidos_);
    insertaHuellas_->inserta(conexion, huellas_);
    vacia();
}

void AnotacionImportados::vacia() {
    pedidos_.vacia();
    huellas_.vacia();
}

} // namespace importacion
