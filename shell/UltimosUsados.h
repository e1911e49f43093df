#pragma once

#include <QString>
#include <initializer_list>
#include <utility>

// What the clerk chose last, kept in the INI file (section "Últimos usados") so the next
// export and import start from there: the export's destination folder and file name, and
// the folder of the last imported file. Writing changes only those keys (ArchivoIni keeps
// every other byte); a file that cannot be written keeps nothing and stops nothing, since
// these are only proposals.
class UltimosUsados {
public:
    static QString seccion() { return QStringLiteral("Últimos usados"); }
    static QString claveDestino() { return QStringLiteral("Destino de la exportación"); }
    static QString claveArchivo() { return QStringLiteral("Archivo de la exportación"); }
    static QString claveImportacion() { return QStringLiteral("Carpeta de la importación"); }

    explicit UltimosUsados(QString archivoIni) : archivoIni_(std::move(archivoIni)) {}

    QString lee(const QString& clave) const;
    // The keys and values together, in one rewrite of the file. False when it could not
    // be written.
    bool guarda(std::initializer_list<std::pair<QString, QString>> valores) const;

    // The first removable drive mounted (a USB stick, under /media, /run/media or /mnt);
    // empty when there is none.
    static QString primeraUnidadExtraible();

private:
    QString archivoIni_;
};
