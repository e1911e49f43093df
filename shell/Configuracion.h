#pragma once

#include <QString>

struct Programa;

// The program's INI file and the connection settings taken from the installation's
// stored values. Each instance tells the user at most once that a file cannot be written.
class Configuracion {
public:
    static QString seccionConfiguracion() { return QStringLiteral("Configuración"); }
    static QString seccionOtrasBases() { return QStringLiteral("Otras bases de datos"); }
    static QString claveRutaKorvan() { return QStringLiteral("Ruta de Korvan Maestro"); }
    static QString claveBasePrincipal() { return QStringLiteral("Base de datos principal"); }
    static QString claveExportar() { return QStringLiteral("Para exportar pedidos"); }
    static QString claveImportar() { return QStringLiteral("Para importar pedidos"); }
    static QString baseDefecto() { return QStringLiteral("datos1"); }
    // The installation folder used when the INI names none.
    static QString rutaKorvanDefecto();

    explicit Configuracion(Programa& programa) : programa_(programa) {}

    // The key's value; when it reads empty the default is written under the key and read
    // again. When the file cannot be written the default is used and the user told once.
    QString LeeConDefecto(const QString& seccion, const QString& clave, const QString& defecto);

    // Fills the connection settings of programa.bases (and, with cargaBasePrincipal, the
    // main database). False, after telling the user, when the installation folder is wrong
    // or the INI file or the installation file exists but cannot be read.
    bool Carga(bool cargaBasePrincipal);

private:
    // False, after telling the user, when the file exists but cannot be read.
    bool legible(const QString& archivo, const QString& cual);
    // The stored value, after storing the default first when falta.
    QString valorInstalacion(const QString& nombre, bool falta, const QString& defecto);
    void avisaNoEscrito(bool& avisado, const QString& texto);

    Programa& programa_;
    bool avisadoIni_ = false;
    bool avisadoInstalacion_ = false;
};
