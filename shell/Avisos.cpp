#include "shell/Avisos.h"

#include "shell/host/DeArchivos.h"
#include "shell/host/ErrorArchivo.h"
#include "shell/host/ErrorBdD.h"

#include <exception>

namespace {

QString textoError(unsigned numero, const QString& descripcion) {
    return QStringLiteral("Error %1, %2").arg(numero).arg(descripcion);
}

} // namespace

Avisos::Respuesta Avisos::MsgBox(const QString& prompt, Estilo estilo, const QString& titulo) {
    QString error;
    try {
        return muestra(prompt, estilo, titulo);
    } catch (const host::ErrorBdD& e) {
        error = textoError(e.codigo(), e.mensaje());
    } catch (const std::exception& e) {
        error = textoError(0, QString::fromLocal8Bit(e.what()));
    }
    if (!mostrandoError_) {
        mostrandoError_ = true;
        try {
            muestra(error, Icono::Critico, QStringLiteral("Error"));
        } catch (const std::exception&) {
            // The box cannot be shown at all; there is nobody left to tell.
        }
        mostrandoError_ = false;
    }
    return Respuesta::Ninguna;
}

bool Avisos::Confirma(const QString& prompt, const QString& titulo, bool defectoNo) {
    return MsgBox(prompt, Estilo::siNo(defectoNo), titulo) == Respuesta::Si;
}

bool Avisos::AbreDocumento(host::DeArchivos& archivos, const QString& ruta) {
    try {
        archivos.AbreDocumento(ruta, 0, 1);
        return true;
    } catch (const host::ErrorArchivo& e) {
        MsgBox(e.mensaje(), Icono::Exclamacion, QStringLiteral("Atención"));
        return false;
    }
}

Avisos::Respuesta Avisos::respuestaSegura(Botones botones) {
    switch (botones) {
    case Botones::AceptarCancelar:
    case Botones::SiNoCancelar:
    case Botones::ReintentarCancelar:
        return Respuesta::Cancelar;
    case Botones::AbortarReintentarIgnorar:
        return Respuesta::Abortar;
    case Botones::SiNo:
        return Respuesta::No;
    case Botones::Aceptar:
        break;
    }
    return Respuesta::Aceptar;
}
