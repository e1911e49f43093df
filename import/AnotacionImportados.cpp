#include "import/AnotacionImportados.h"

#include "journal/Bitacora.h"

namespace importacion {

using bitacora::Bitacora;

AnotacionImportados::AnotacionImportados(const Bitacora* bitacora, const QString& archivo)
    : pedidos_(6), nuevas_(4), repetidas_(4) {
    activa_ = bitacora && bitacora->activa();
    if (!activa_)
        return;
    corrida_ = bitacora->corrida();
    archivo_ = archivo.left(1024); // as the journal keeps files
    const QByteArray corrida = QByteArray::number(bitacora->corrida());
    insertaPedidos_ = std::make_unique<InsercionEnBloque>(
        QStringLiteral("INSERT INTO %1 (Corrida, Archivo, Linea, Huella, IdNuevo, PedidoNuevo) "
                       "VALUES ")
            .arg(bitacora::EsquemaBitacora::tablaPedidos())
            .toUtf8(),
        6);
    // A fingerprint the look-up did not find goes in as a new row: when another import
    // stored it meanwhile (through another node of a cluster, whose rows a locking read
    // does not hold back), the duplicate key undoes this transaction instead of letting the
    // orders in twice. One seen before counts once more, with this run as its last.
    const QByteArray huellas = QStringLiteral("INSERT INTO %1 (Huella, PrimeraCorrida, "
                                              "UltimaCorrida, Veces) VALUES ")
                                   .arg(bitacora::EsquemaBitacora::tablaHuellas())
                                   .toUtf8();
    insertaNuevas_ = std::make_unique<InsercionEnBloque>(huellas, 4);
    insertaRepetidas_ = std::make_unique<InsercionEnBloque>(
        huellas, 4, " ON DUPLICATE KEY UPDATE Veces=Veces+1, UltimaCorrida=" + corrida);
}

void AnotacionImportados::agrega(int linea, const QString& huella, qint64 id,
                                 const QString& pedido) {
    if (!activa_)
        return;
    const QVariant pedidoFila[] = {corrida_, archivo_, linea, huella, id, pedido};
    pedidos_.agregaFila(pedidoFila);
    const QVariant huellaFila[] = {huella, corrida_, corrida_, 1};
    if (sinConsulta_ || registradas_.contains(huella) || escritas_.contains(huella)) {
        repetidas_.agregaFila(huellaFila);
    } else {
        nuevas_.agregaFila(huellaFila);
        escritas_.insert(huella);
    }
}

void AnotacionImportados::escribe(host::Conexion& conexion) {
    constexpr qsizetype porSentencia = 1 << 20;
    if (activa_ && pedidos_.bytes() + nuevas_.bytes() + repetidas_.bytes() >= porSentencia)
        termina(conexion);
}

void AnotacionImportados::termina(host::Conexion& conexion) {
    if (!activa_)
        return;
    insertaPedidos_->inserta(conexion, pedidos_);
    insertaNuevas_->inserta(conexion, nuevas_);
    insertaRepetidas_->inserta(conexion, repetidas_);
    pedidos_.vacia();
    nuevas_.vacia();
    repetidas_.vacia();
}

void AnotacionImportados::vacia() {
    pedidos_.vacia();
    nuevas_.vacia();
    repetidas_.vacia();
    registradas_.clear();
    escritas_.clear();
    sinConsulta_ = false;
}

} // namespace importacion
