#include "shell/Avisos.h"

#include "shell/host/DeArchivos.h"
#include "shell/host/ErrorBdD.h"

#include <exception>

namespace {

QString textoError(unsigned numero, const QString& descripcion) {
    return QStringLiteral("Error %1, %2").arg(numero).arg(descripcion);
}

} // namespace

int Avisos::MsgBox(const QString& prompt, int botones, const QString& titulo) {
    QString error;
    try {
        return muestra(prompt, botones, titulo);
    } catch (const host::ErrorBdD& e) {
        error = textoError(e.codigo(), e.mensaje());
    } catch (const std::exception& e) {
        error = textoError(0, QString::fromLocal8Bit(e.what()));
    }
    if (!mostrandoError_) {
        mostrandoError_ = true;
        try {
            muestra(error, Critico, QStringLiteral("Error"));
        } catch (const std::exception&) {
            // The box cannot be shown at all; there is nobody left to tell.
        }
        mostrandoError_ = false;
    }
    return SinRespuesta;
}

bool Avisos::Confirma(const QString& prompt, const QString& titulo, bool defectoNo) {
    const int botones = SiNoPregunta + (defectoNo ? SegundoBotonPredeterminado : 0);
    return MsgBox(prompt, botones, titulo) == RespuestaSi;
}

bool Avisos::AbreDocumento(host::DeArchivos& archivos, const QString& ruta) {
    if (archivos.AbreDocumento(ruta, 0, 1))
        return true;
    MsgBox(archivos.ultimoError(), Exclamacion, QStringLiteral("Atención"));
    return false;
}

int Avisos::respuestaSegura(int botones) {
    switch (botonesDe(botones)) {
    case AceptarCancelar:
    case SiNoCancelar:
    case ReintentarCancelar:
        return RespuestaCancelar;
    case AbortarReintentarIgnorar:
        return RespuestaAbortar;
    case SiNo:
        return RespuestaNo;
    default:
        return RespuestaAceptar;
    }
}
