#include "data/LectorTransferencia.h"

#include "data/ErrorTransferencia.h"
#include "data/FormatoTransferencia.h"
#include "shell/host/CodificacionAnsi.h"
#include "shell/host/FalloSistema.h"

#include <QIODevice>
#include <cerrno>
#include <cstring>

namespace transferencia {

using host::CodificacionAnsi;

namespace {
constexpr qsizetype tamanoBufer = 1 << 16;
constexpr qsizetype descartadosGuardados = 100;
// Of a dropped text, its start is enough to tell it.
constexpr qsizetype largoDescartado = 200;

bool esBlanco(char c) {
    return c == ' ' || c == '\t';
}
bool esFinDeLinea(char c) {
    return c == '\r' || c == '\n';
}
} // namespace

LectorTransferencia::LectorTransferencia(QIODevice& origen, CodificacionArchivo::Tipo codificacion)
    : origen_(origen), codificacion_(codificacion) {
    bufer_.resize(tamanoBufer);
}

bool LectorTransferencia::hayBytes() {
    if (pos_ < fin_)
        return true;
    if (agotado_)
        return false;
    const qint64 leidos = origen_.read(bufer_.data(), bufer_.size());
    if (leidos < 0)
        throw ErrorTransferencia(
            host::FalloSistema::deDispositivo(origen_, QFileDevice::ReadError, errno).texto(),
            linea_);
    digesto_.agrega(QByteArrayView(bufer_.constData(), leidos));
    pos_ = 0;
    fin_ = leidos;
    agotado_ = leidos == 0;
    if (alInicio_) {
        alInicio_ = false;
        if (codificacion_ == CodificacionArchivo::Utf8 &&
            CodificacionArchivo::esMarca(QByteArrayView(bufer_.constData(), fin_))) {
            pos_ = 3;
            conMarca_ = true;
        }
        return pos_ < fin_ || hayBytes();
    }
    return leidos > 0;
}

// At a CR or LF: consumes CR LF, or a lone CR or LF, as one line end.
void LectorTransferencia::saltaFinDeLinea() {
    const char c = bufer_[pos_++];
    ++linea_;
    if (c == '\r' && hayBytes() && bufer_[pos_] == '\n')
        ++pos_;
}

// At a record boundary: skips blank lines. True when nothing but them is left.
bool LectorTransferencia::soloQuedanBlancos() {
    while (hayBytes()) {
        const char c = bufer_[pos_];
        if (esBlanco(c))
            ++pos_;
        else if (esFinDeLinea(c))
            saltaFinDeLinea();
        else
            return false;
    }
    return true;
}

void LectorTransferencia::decodificaUtf8(Campo& campo, int lineaCampo) {
    const auto* p = reinterpret_cast<const unsigned char*>(campo_.constData());
    qsizetype i = 0;
    while (i < campo_.size() && p[i] < 0x80)
        ++i;
    if (i < campo_.size()) {
        if (!CodificacionArchivo::esUtf8(QByteArrayView(campo_).sliced(i)))
            throw ErrorTransferencia(
                QStringLiteral("El texto de la línea %1 no es UTF-8 válido, aunque el archivo "
                               "se lee como UTF-8 (%2). Guárdelo de nuevo entero como UTF-8 o "
                               "como ANSI (Windows-1252) e impórtelo otra vez.")
                    .arg(lineaCampo)
                    .arg(conMarca_ ? QStringLiteral("empieza con la marca de UTF-8")
                                   : QStringLiteral("todo su texto lo era al empezar la "
                                                    "importación: el archivo cambió mientras "
                                                    "se leía")),
                lineaCampo);
        if (primeraMultibyte_ == 0)
            primeraMultibyte_ = lineaCampo;
    }
    campo.valor = QString::fromUtf8(campo_);
}

bool LectorTransferencia::leeCampo(Campo& campo) {
    campo.entreComillas = false;
    comillasAbiertas_ = false;
    while (hayBytes() && esBlanco(bufer_[pos_]))
        ++pos_;
    if (!hayBytes())
        return false;
    const int lineaCampo = linea_;
    campo_.resize(0); // keeps its capacity for the next field
    if (bufer_[pos_] == '"') {
        ++pos_;
        char anterior = 0;
        for (;;) {
            if (!hayBytes()) {
                comillasAbiertas_ = true;
                return false;
            }
            const char* p = bufer_.constData() + pos_;
            const char* cierre = static_cast<const char*>(memchr(p, '"', size_t(fin_ - pos_)));
            const qsizetype tramo = cierre ? cierre - p : fin_ - pos_;
            for (qsizetype i = 0; i < tramo; ++i) {
                if (p[i] == '\r' || (p[i] == '\n' && anterior != '\r'))
                    ++linea_;
                anterior = p[i];
            }
            campo_.append(p, tramo);
            pos_ += tramo;
            if (cierre) {
                ++pos_;
                break;
            }
        }
        campo.entreComillas = true;
        // Whatever follows the closing quote up to the separator is dropped; blanks there
        // are only layout, anything else is told.
        const int lineaCierre = linea_;
        QByteArray resto;
        while (hayBytes()) {
            const char c = bufer_[pos_];
            if (c == ',') {
                ++pos_;
                break;
            }
            if (esFinDeLinea(c)) {
                saltaFinDeLinea();
                break;
            }
            if ((!resto.isEmpty() || !esBlanco(c)) && resto.size() < largoDescartado)
                resto += c;
            ++pos_;
        }
        if (!resto.isEmpty())
            descarta(resto, lineaCierre);
    } else {
        while (hayBytes()) {
            const char* p = bufer_.constData() + pos_;
            qsizetype i = 0;
            const qsizetype n = fin_ - pos_;
            while (i < n && p[i] != ',' && !esFinDeLinea(p[i]))
                ++i;
            campo_.append(p, i);
            pos_ += i;
            if (i < n) {
                if (p[i] == ',')
                    ++pos_;
                else
                    saltaFinDeLinea();
                break;
            }
        }
        qsizetype largo = campo_.size();
        while (largo > 0 && esBlanco(campo_[largo - 1]))
            --largo;
        campo_.truncate(largo);
    }
    if (guardaCrudo_) {
        if (campo.entreComillas) {
            crudo_ += '"';
            crudo_ += campo_;
            crudo_ += '"';
        } else {
            crudo_ += campo_;
        }
    }
    if (codificacion_ == CodificacionArchivo::Utf8)
        decodificaUtf8(campo, lineaCampo);
    else
        CodificacionAnsi::decodifica(campo_, campo.valor);
    return true;
}

void LectorTransferencia::descarta(const QByteArray& bytes, int linea) {
    ++totalDescartados_;
    if (descartados_.size() >= descartadosGuardados)
        return;
    QByteArray texto = bytes;
    while (!texto.isEmpty() && esBlanco(texto.back()))
        texto.chop(1);
    descartados_.push_back({linea, codificacion_ == CodificacionArchivo::Utf8
                                       ? QString::fromUtf8(texto)
                                       : CodificacionAnsi::decodifica(texto)});
}

bool LectorTransferencia::siguiente(Registro& registro) {
    if (soloQuedanBlancos())
        return false;
    registro.linea = linea_;
    if (registro.campos.isEmpty())
        registro.campos.resize(1);
    const auto cortado = [&](int total, int leidos) {
        return ErrorTransferencia(
            QStringLiteral("El archivo termina dentro del registro de la línea %1: un registro "
                           "de %2 lleva %3 campos y ese sólo tiene %4%5.")
                .arg(registro.linea)
                .arg(registro.encabezado ? QStringLiteral("encabezado") : QStringLiteral("renglón"))
                .arg(total)
                .arg(leidos)
                .arg(comillasAbiertas_
                         ? QStringLiteral(", el último con unas comillas que no se cierran")
                         : QString()),
            registro.linea);
    };
    registro.encabezado = false;
    crudo_.resize(0); // keeps its capacity for the next record
    if (!leeCampo(registro.campos[0]))
        throw cortado(camposRenglon, 0);
    registro.encabezado = registro.campos[0].valor == QLatin1String("M");
    const int total = registro.encabezado ? camposEncabezado : camposRenglon;
    registro.campos.resize(total);
    for (int i = 1; i < total; ++i) {
        if (guardaCrudo_)
            crudo_ += ',';
        if (!leeCampo(registro.campos[i]))
            throw cortado(total, i);
    }
    if (guardaCrudo_)
        crudo_ += '\n';
    return true;
}

} // namespace transferencia
