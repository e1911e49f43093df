#pragma once

#include "shell/Avisos.h"
#include "shell/Programa.h"
#include "shell/host/DeArchivos.h"
#include "shell/host/ErrorArchivo.h"
#include "shell/host/Utilerias.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <ostream>
#include <stdexcept>

// Failed comparisons show the standard codes.
inline void PrintTo(Avisos::Respuesta respuesta, std::ostream* os) {
    *os << "respuesta " << int(respuesta);
}
inline void PrintTo(const Avisos::Estilo& estilo, std::ostream* os) {
    *os << "botones " << int(estilo.botones) << " + icono " << int(estilo.icono) << " + "
        << int(estilo.predeterminado);
}

namespace pruebas {

struct Aviso {
    QString prompt;
    Avisos::Estilo estilo;
    QString titulo;
};

// Records every message and answers from a script (or with the safe answer when the
// script is used up); can be told to fail as a broken dialog would.
class AvisosRegistrados : public Avisos {
public:
    QList<Aviso> vistos;
    QList<Respuesta> respuestas;
    bool falla = false;

protected:
    Respuesta muestra(const QString& prompt, Estilo estilo, const QString& titulo) override {
        vistos.append({prompt, estilo, titulo});
        if (falla)
            throw std::runtime_error("sin pantalla");
        return respuestas.isEmpty() ? respuestaSegura(estilo.botones) : respuestas.takeFirst();
    }
};

inline void escribeArchivo(const QString& ruta, const QByteArray& bytes) {
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("no se pudo preparar el archivo de prueba");
}

inline QByteArray leeArchivo(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the ErrorArchivo the call throws says; empty when it throws none.
template <typename Llamada> QString falloArchivo(Llamada&& llamada) {
    try {
        llamada();
    } catch (const host::ErrorArchivo& e) {
        return e.mensaje();
    }
    return {};
}

// A scratch program folder with an installation folder "korvan" holding korvan.krx, and a
// Programa whose messages are recorded and whose documents are "opened" into a list.
class EntornoShell {
public:
    EntornoShell() {
        QDir(dir_.path()).mkpath(QStringLiteral("korvan"));
        programa.avisos = std::make_unique<AvisosRegistrados>();
        programa.archivos =
            std::make_unique<host::DeArchivos>([this](const QString&, const QStringList& a) {
                abiertos.append(a.last());
                return true;
            });
        programa.carpetaPrograma = dir_.path();
        programa.archivoIni = ruta(QStringLiteral("acumulapedidos.ini"));
    }

    QString ruta(const QString& nombre) const { return dir_.filePath(nombre); }
    QString carpetaKorvan() const { return ruta(QStringLiteral("korvan")); }
    QString krx() const { return ruta(QStringLiteral("korvan/korvan.krx")); }
    AvisosRegistrados& avisos() { return static_cast<AvisosRegistrados&>(*programa.avisos); }

    // An INI naming the installation folder, plus the lines given.
    void iniConKorvan(const QByteArray& otrasLineas = {}) {
        escribeArchivo(programa.archivoIni, "[Configuración]\nRuta de Korvan Maestro=" +
                                                carpetaKorvan().toUtf8() + "\n" + otrasLineas);
    }
    // An installation pointing at that server, and a configuration naming the databases.
    void configura(const host::ParametrosConexion& p, const QString& principal,
                   const QString& exportar, const QString& importar) {
        escribeArchivo(krx(), QStringLiteral("[Instalacion]\nMySQLServer=%1\nMySQLPuerto=%2\n"
                                             "MySQLUsuario=%3\nMySQLPassword=%4\n")
                                  .arg(p.servidor)
                                  .arg(p.puerto)
                                  .arg(host::Utilerias::Encripta(p.usuario),
                                       host::Utilerias::Encripta(p.password))
                                  .toUtf8());
        iniConKorvan(QStringLiteral("Base de datos principal=%1\n[Otras bases de datos]\n"
                                    "Para exportar pedidos=%2\nPara importar pedidos=%3\n")
                         .arg(principal, exportar, importar)
                         .toUtf8());
    }

    Programa programa;
    QStringList abiertos;

private:
    QTemporaryDir dir_;
};

} // namespace pruebas
