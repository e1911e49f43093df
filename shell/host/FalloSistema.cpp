#include "shell/host/FalloSistema.h"

#include "shell/host/TextoConDetalle.h"

#include <QCoreApplication>
#include <QStringList>
#include <cerrno>
#include <cstring>

namespace host {

namespace {

struct Causa {
    QList<int> numeros;
    const char* mensaje;
};

// The errors a user can do something about, each with what to do.
const QList<Causa>& causas() {
    static const QList<Causa> lista = {
        {{ENOSPC},
         "No hay espacio suficiente en el disco. Libere espacio en la unidad, o elija otra, y "
         "repita la operación."},
#ifdef EDQUOT
        {{EDQUOT},
         "No hay espacio suficiente en el disco para su usuario: se agotó el espacio que tiene "
         "asignado. Libere espacio, o pida al administrador que lo amplíe, y repita la operación."},
#endif
        {{EROFS},
         "La unidad solo admite lectura (por ejemplo, una memoria USB con el seguro puesto). "
         "Elija otra unidad, o quite la protección contra escritura, y repita la operación."},
        {{EACCES, EPERM},
         "No tiene permiso para usar el archivo o su carpeta. Elija otra carpeta, o pida al "
         "administrador que le dé permiso, y repita la operación."},
        {{ENOENT, ENOTDIR},
         "El archivo o su carpeta no existe (quizá se movió o se borró). Compruebe el nombre y "
         "la carpeta y repita la operación."},
        {{EIO, ENODEV, ENXIO},
         "La unidad no responde o se desconectó (por ejemplo, se retiró una memoria USB). "
         "Vuelva a conectarla, compruebe que funciona y repita la operación."},
        {{EMFILE, ENFILE},
         "Hay demasiados archivos abiertos en el equipo. Cierre otros programas y repita la "
         "operación."},
        {{EISDIR},
         "En el lugar del archivo hay una carpeta con su nombre. Quite la carpeta o cámbiele "
         "el nombre, o elija otro nombre para el archivo."},
        {{EFBIG},
         "El archivo es más grande de lo que admite la unidad. Elija otra unidad o escriba "
         "menos datos."},
        {{ENAMETOOLONG},
         "El nombre del archivo o de su carpeta es demasiado largo. Elija un nombre o una "
         "carpeta más cortos."},
        {{EBUSY, ETXTBSY},
         "El archivo está ocupado por otro programa. Ciérrelo y repita la operación."},
    };
    return lista;
}

const Causa* causaDe(int numero) {
    for (const Causa& c : causas())
        if (c.numeros.contains(numero))
            return &c;
    return nullptr;
}

// The errno whose system text is detalle, as Qt writes it from strerror; 0 when none.
int numeroDelTexto(const QString& detalle) {
    if (detalle.isEmpty())
        return 0;
    for (const Causa& c : causas())
        for (int n : c.numeros)
            if (detalle == QString::fromLocal8Bit(std::strerror(n)))
                return n;
    return 0;
}

QString generico(QFileDevice::FileError error) {
    switch (error) {
    case QFileDevice::ReadError:
        return QStringLiteral("No se pudo leer el archivo. Compruebe que la unidad funciona y "
                              "repita la operación.");
    case QFileDevice::WriteError:
        return QStringLiteral("No se pudo escribir el archivo. Compruebe que la unidad tiene "
                              "espacio y funciona, y repita la operación.");
    case QFileDevice::OpenError:
        return QStringLiteral("No se pudo abrir el archivo. Compruebe que existe y que tiene "
                              "permiso para usarlo.");
    default:
        return QStringLiteral("Falló una operación con el archivo. Repita la operación; si "
                              "vuelve a fallar, consulte al administrador del equipo.");
    }
}

} // namespace

QString FalloSistema::texto() const {
    return TextoConDetalle::conDetalle(mensaje, detalle);
}

FalloSistema FalloSistema::deArchivo(QFileDevice::FileError error, int numero,
                                     const QString& detalle) {
    const int elegido = numeroDelTexto(detalle);
    const Causa* causa = causaDe(elegido != 0 ? elegido : numero);
    // Qt says only "Unknown error" when the failing call was not its own (a flush, a
    // rename): the errno that named the cause is then the detail that goes with it.
    const bool sinTextoPropio =
        detalle.isEmpty() || detalle == QLatin1String("Unknown error") ||
        detalle == QCoreApplication::translate("QIODevice", "Unknown error");
    const QString texto = numero != 0 && elegido == 0 && sinTextoPropio
                              ? QString::fromLocal8Bit(std::strerror(numero))
                              : detalle;
    return {causa ? QString::fromUtf8(causa->mensaje) : generico(error), texto};
}

FalloSistema FalloSistema::deArchivo(const QFileDevice& archivo, int numero) {
    return deArchivo(archivo.error(), numero, archivo.errorString());
}

FalloSistema FalloSistema::deDispositivo(const QIODevice& dispositivo, QFileDevice::FileError tipo,
                                         int numero) {
    if (const auto* archivo = qobject_cast<const QFileDevice*>(&dispositivo))
        return deArchivo(*archivo, numero);
    return deArchivo(tipo, numero, dispositivo.errorString());
}

FalloSistema FalloSistema::deNumero(int numero, QFileDevice::FileError error) {
    return deArchivo(error, numero, QString::fromLocal8Bit(std::strerror(numero)));
}

} // namespace host
