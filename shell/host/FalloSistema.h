#pragma once

#include <QFileDevice>
#include <QString>

namespace host {

// A failure of the system (or of another outside component) told to the user: what happened
// and what they can do, with the component's own words kept at the end for whoever has to
// look into it.
struct FalloSistema {
    QString mensaje; // Spanish: what happened and what the user can do
    QString detalle; // the component's own text, as it gave it

    // The message with the detail at its end: "… (detalle: No space left on device)".
    QString texto() const;

    // A failed file operation: its kind as QFileDevice gives it, the errno of the failing
    // call (0 when unknown) and the system's text. The system's text names the cause more
    // reliably than an errno read after the fact, so it is looked at first.
    static FalloSistema deArchivo(QFileDevice::FileError error, int numero, const QString& detalle);
    // The same for a file whose last operation failed.
    static FalloSistema deArchivo(const QFileDevice& archivo, int numero = 0);
    // The same for any device (a file, or what stands in for one): tipo is the kind of the
    // failed operation when the device is no file.
    static FalloSistema deDispositivo(const QIODevice& dispositivo, QFileDevice::FileError tipo,
                                      int numero = 0);
    // A failed call that only left an errno.
    static FalloSistema deNumero(int numero, QFileDevice::FileError error);
};

} // namespace host
