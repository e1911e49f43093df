#include "data/EscritorTransferencia.h"

#include "data/CodificacionAnsi.h"
#include "data/ErrorTransferencia.h"
#include "shell/host/Fechas.h"

#include <QIODevice>

namespace transferencia {

namespace {
constexpr qsizetype tamanoBufer = 1 << 20;

void cambiaComillas(QByteArray& bytes, qsizetype desde) {
    char* p = bytes.data();
    for (qsizetype i = desde; i < bytes.size(); ++i)
        if (p[i] == '"')
            p[i] = '\'';
}
} // namespace

EscritorTransferencia::EscritorTransferencia(QIODevice& destino) : destino_(destino) {
    bufer_.reserve(tamanoBufer + 4096);
}

void EscritorTransferencia::separa() {
    if (!primerCampo_)
        bufer_ += ',';
    primerCampo_ = false;
}

void EscritorTransferencia::vaciaSiLleno() {
    if (bufer_.size() >= tamanoBufer) {
        if (destino_.write(bufer_) != bufer_.size())
            throw ErrorTransferencia(
                QStringLiteral("No se pudo escribir el archivo: %1").arg(destino_.errorString()));
        bufer_.resize(0); // keeps its memory for the next records
    }
}

template <typename Codifica> int EscritorTransferencia::entreComillas(Codifica codifica) {
    separa();
    bufer_ += '"';
    const qsizetype inicio = bufer_.size();
    const int fuera = codifica(bufer_);
    cambiaComillas(bufer_, inicio);
    bufer_ += '"';
    return fuera;
}

int EscritorTransferencia::texto(QStringView valor) {
    return entreComillas([&](QByteArray& b) { return CodificacionAnsi::codifica(valor, b); });
}

int EscritorTransferencia::textoUtf8(QByteArrayView utf8) {
    return entreComillas([&](QByteArray& b) { return CodificacionAnsi::codificaUtf8(utf8, b); });
}

void EscritorTransferencia::numero(QByteArrayView cifras) {
    separa();
    bufer_ += cifras;
}

void EscritorTransferencia::entero(qint64 valor) {
    separa();
    bufer_ += QByteArray::number(valor);
}

void EscritorTransferencia::logico(bool valor) {
    separa();
    bufer_ += valor ? "#TRUE#" : "#FALSE#";
}

void EscritorTransferencia::nulo() {
    separa();
    bufer_ += "#NULL#";
}

void EscritorTransferencia::fecha(const QDate& fecha) {
    separa();
    bufer_ += host::Fechas::aMarcaFecha(fecha).toLatin1();
}

void EscritorTransferencia::fechaHora(const QDateTime& fechaHora) {
    separa();
    bufer_ += host::Fechas::aMarcaFechaHora(fechaHora).toLatin1();
}

void EscritorTransferencia::fechaServidor(QByteArrayView texto) {
    separa();
    bufer_ += '#';
    bufer_ += texto.endsWith(" 00:00:00") ? texto.first(texto.size() - 9) : texto;
    bufer_ += '#';
}

void EscritorTransferencia::fechaTexto(const QDate& fecha) {
    texto(host::Fechas::aTextoMes(fecha));
}

void EscritorTransferencia::finRegistro() {
    bufer_ += "\r\n";
    primerCampo_ = true;
    ++registros_;
    vaciaSiLleno();
}

void EscritorTransferencia::termina() {
    if (!bufer_.isEmpty() && destino_.write(bufer_) != bufer_.size())
        throw ErrorTransferencia(
            QStringLiteral("No se pudo escribir el archivo: %1").arg(destino_.errorString()));
    bufer_.clear();
}

} // namespace transferencia
