#pragma once

#include <QString>

namespace host {

// The installation's stored values: the installation folder holds "korvan.krx", INI text
// whose section [Instalacion] keeps "MySQLServer", "servidor", "MySQLPuerto",
// "MySQLUsuario" and "MySQLPassword". BuscarRegistroKRX chooses the file the other
// operations read and write.
class DelRegistro {
public:
    static QString archivoKRX() { return QStringLiteral("korvan.krx"); }
    static QString seccionKRX() { return QStringLiteral("Instalacion"); }

    // The path of the folder's installation file (the name matched without regard to case,
    // as it may come from a Windows installation; anything of that name, even one that
    // cannot be read), or the empty text when the folder has none. Remembers the file found, or
    // forgets it when there is none.
    QString BuscarRegistroKRX(const QString& carpeta);
    const QString& archivo() const { return archivo_; }

    // The stored value; empty when absent or when no installation file was found.
    QString DatosKRX(const QString& nombre) const;
    // Stores the value, changing nothing else in the file; throws ErrorArchivo when it
    // could not be stored.
    void GuardaDatosKRX(const QString& nombre, const QString& valor);

private:
    QString archivo_;
};

} // namespace host
