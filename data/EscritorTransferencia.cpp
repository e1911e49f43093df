#include "data/EscritorTransferencia.h"

#include "data/ErrorTransferencia.h"
#include "data/Sha256.h"
#include "shell/host/CodificacionAnsi.h"
#include "shell/host/FalloSistema.h"
#include "shell/host/Fechas.h"

#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace transferencia {

using host::CodificacionAnsi;

namespace {
constexpr qsizetype tamanoBufer = 1 << 20;
} // namespace

EscritorTransferencia::EscritorTransferencia(QIODevice& destino) : destino_(destino) {
    bufer_.resize(tamanoBufer + 4096);
}

char* EscritorTransferencia::espacio(qsizetype n) {
    if (usado_ + n > bufer_.size())
        bufer_.resize(std::max(bufer_.size() * 2, usado_ + n));
    return bufer_.data() + usado_;
}

void EscritorTransferencia::agrega(QByteArrayView bytes) {
    memcpy(espacio(bytes.size()), bytes.data(), size_t(bytes.size()));
    usado_ += bytes.size();
}

void EscritorTransferencia::separa() {
    if (!primerCampo_)
        agrega(",");
    primerCampo_ = false;
}

void EscritorTransferencia::vaciaSiLleno() {
    if (usado_ >= tamanoBufer) {
        if (destino_.write(bufer_.constData(), usado_) != usado_)
            throw ErrorTransferencia(
                host::FalloSistema::deDispositivo(destino_, QFileDevice::WriteError, errno)
                    .texto());
        usado_ = 0;
    }
}

// A quoted text of at most maximo bytes; its double quotes become apostrophes.
template <typename Codifica>
int EscritorTransferencia::entreComillas(qsizetype maximo, Codifica codifica) {
    separa();
    char* p = espacio(maximo + 2);
    *p++ = '"';
    int fuera = 0;
    const qsizetype n = codifica(p, fuera);
    for (qsizetype i = 0; i < n; ++i)
        if (p[i] == '"')
            p[i] = '\'';
    p[n] = '"';
    usado_ += n + 2;
    return fuera;
}

int EscritorTransferencia::texto(QStringView valor) {
    return entreComillas(valor.size(), [&](char* d, int& fuera) {
        return CodificacionAnsi::codifica(valor, d, fuera);
    });
}

int EscritorTransferencia::textoUtf8(QByteArrayView utf8) {
    return entreComillas(utf8.size(), [&](char* d, int& fuera) {
        return CodificacionAnsi::codificaUtf8(utf8, d, fuera);
    });
}

void EscritorTransferencia::numero(QByteArrayView cifras) {
    separa();
    agrega(cifras);
}

void EscritorTransferencia::entero(qint64 valor) {
    separa();
    agrega(QByteArray::number(valor));
}

void EscritorTransferencia::logico(bool valor) {
    separa();
    agrega(valor ? QByteArrayView("#TRUE#") : QByteArrayView("#FALSE#"));
}

void EscritorTransferencia::nulo() {
    separa();
    agrega("#NULL#");
}

void EscritorTransferencia::fecha(const QDate& fecha) {
    separa();
    agrega(host::Fechas::aMarcaFecha(fecha).toLatin1());
}

void EscritorTransferencia::fechaHora(const QDateTime& fechaHora) {
    separa();
    agrega(host::Fechas::aMarcaFechaHora(fechaHora).toLatin1());
}

void EscritorTransferencia::fechaServidor(QByteArrayView texto) {
    separa();
    agrega("#");
    agrega(texto.endsWith(" 00:00:00") ? texto.first(texto.size() - 9) : texto);
    agrega("#");
}

void EscritorTransferencia::fechaTexto(const QDate& fecha) {
    texto(host::Fechas::aTextoMes(fecha));
}

void EscritorTransferencia::finRegistro() {
    if (huella_) {
        huella_->agrega(
            QByteArrayView(bufer_.constData() + inicioRegistro_, usado_ - inicioRegistro_));
        huella_->agrega("\n");
    }
    agrega("\r\n");
    primerCampo_ = true;
    ++registros_;
    vaciaSiLleno();
    inicioRegistro_ = usado_;
}

EscritorTransferencia::~EscritorTransferencia() = default;

void EscritorTransferencia::calculaHuellas() {
    if (!huella_)
        huella_ = std::make_unique<Sha256>();
}

QString EscritorTransferencia::tomaHuella() {
    return huella_ ? QString::fromLatin1(huella_->reinicia().toHex()) : QString();
}

void EscritorTransferencia::termina() {
    if (usado_ > 0 && destino_.write(bufer_.constData(), usado_) != usado_)
        throw ErrorTransferencia(
            host::FalloSistema::deDispositivo(destino_, QFileDevice::WriteError, errno).texto());
    usado_ = 0;
    inicioRegistro_ = 0;
}

} // namespace transferencia
