#include "shell/Colocacion.h"

#include "shell/host/ArchivoIni.h"
#include "shell/host/libNucleo.h"

#include <QStringList>
#include <algorithm>
#include <limits>

namespace colocacion {

namespace {

const QString kVentana = QStringLiteral("Ventana");
const QString kLinea = QStringLiteral("Linea");
const QString kColumna = QStringLiteral("Columna");
const QString kAncho = QStringLiteral("Ancho");
const QString kAlto = QStringLiteral("Alto");

int a16Bits(const QString& texto) {
    return int(std::clamp(host::libNucleo::nxVal(texto), double(std::numeric_limits<qint16>::min()),
                          double(std::numeric_limits<qint16>::max())));
}

} // namespace

QString seccion(const QString& tag, const QString& nombre) {
    return tag.isEmpty() ? nombre.trimmed() : tag;
}

bool guarda(const QString& archivoIni, const QString& seccion, const QString& titulo,
            const Geometria& ventana, bool conTamano, QString* error) {
    if (seccion.isEmpty())
        return true;
    // All keys in one rewrite, so the placement is never stored half.
    host::ArchivoIni ini(archivoIni);
    bool hecho = ini.carga() && ini.escribe(seccion, kVentana, titulo) &&
                 ini.escribe(seccion, kLinea, QString::number(ventana.top)) &&
                 ini.escribe(seccion, kColumna, QString::number(ventana.left));
    if (hecho && conTamano)
        hecho = ini.escribe(seccion, kAncho, QString::number(ventana.width)) &&
                ini.escribe(seccion, kAlto, QString::number(ventana.height));
    hecho = hecho && ini.guarda();
    if (!hecho && error)
        *error = ini.ultimoError();
    return hecho;
}

Geometria restaura(const QString& archivoIni, const QString& seccion, Geometria ventana,
                   bool conTamano) {
    if (seccion.isEmpty())
        return ventana;
    host::ArchivoIni ini(archivoIni);
    ini.carga(); // an unreadable file reads as never saved
    ventana.top = a16Bits(ini.lee(seccion, kLinea));
    ventana.left = a16Bits(ini.lee(seccion, kColumna));
    if (conTamano) {
        const int ancho = a16Bits(ini.lee(seccion, kAncho));
        const int alto = a16Bits(ini.lee(seccion, kAlto));
        if (ancho != 0 && alto != 0) {
            ventana.width = ancho;
            ventana.height = alto;
        }
    }
    return ventana;
}

QString textoBoton(const QString& titulo) {
    return titulo + QStringLiteral("   ");
}

Encogida encoge(const Geometria& ventana, const QString& titulo, int altoBoton, int anchoTexto,
                int altoPantalla) {
    Encogida e;
    e.tag = QStringLiteral("%1\t%2\t%3\t%4")
                .arg(ventana.width)
                .arg(ventana.height)
                .arg(ventana.left)
                .arg(ventana.top);
    e.textoBoton = textoBoton(titulo);
    e.anchoBoton = anchoTexto + pixeles(800);
    e.ventana.height = altoBoton;
    e.ventana.top = altoPantalla - altoBoton - pixeles(500);
    e.ventana.left = pixeles(200);
    e.ventana.width = e.anchoBoton;
    return e;
}

std::optional<Geometria> expande(const QString& tag) {
    const QStringList partes = tag.split(u'\t');
    if (partes.size() != 4)
        return std::nullopt;
    int n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = partes.at(i).trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return Geometria{n[2], n[3], n[0], n[1]};
}

} // namespace colocacion
