#include "shell/Colocacion.h"

#include "shell/host/ArchivoIni.h"
#include "shell/host/ErrorArchivo.h"
#include "shell/host/libNucleo.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace colocacion {

namespace {

const QString kVentana = QStringLiteral("Ventana");
const QString kLinea = QStringLiteral("Linea");
const QString kColumna = QStringLiteral("Columna");
const QString kAncho = QStringLiteral("Ancho");
const QString kAlto = QStringLiteral("Alto");

// How much of a window's top edge a screen must show for the user to take hold of it.
constexpr int kAltoAsidero = 30;
constexpr int kAnchoAsidero = 60;

// A stored number; far beyond any screen, values are cut before they can overflow.
int numero(const QString& texto) {
    constexpr double limite = 10'000'000;
    return int(std::clamp(host::libNucleo::nxVal(texto), -limite, limite));
}

double ppp(double puntosPorPulgada) {
    return puntosPorPulgada > 0 ? puntosPorPulgada : 96;
}

Geometria dentroDe(Geometria ventana, const Geometria& area) {
    ventana.width = std::min(ventana.width, area.width);
    ventana.height = std::min(ventana.height, area.height);
    return ventana;
}

bool alcanzable(const Geometria& v, const Geometria& area) {
    const int izquierda = std::max(v.left, area.left);
    const int derecha = std::min(v.left + v.width, area.left + area.width);
    return v.top >= area.top &&
           v.top + std::min(kAltoAsidero, v.height) <= area.top + area.height &&
           derecha - izquierda >= std::min(kAnchoAsidero, v.width);
}

} // namespace

int aTwips(int pixeles, double puntosPorPulgada) {
    return int(std::lround(pixeles * 1440.0 / ppp(puntosPorPulgada)));
}

int aPixeles(int twips, double puntosPorPulgada) {
    return int(std::lround(twips * ppp(puntosPorPulgada) / 1440.0));
}

QString seccion(const QString& tag, const QString& nombre) {
    return tag.isEmpty() ? nombre.trimmed() : tag;
}

Resultado guarda(const QString& archivoIni, const QString& seccion, const QString& titulo,
                 const Geometria& ventana, bool conTamano, double puntosPorPulgada) {
    Resultado r;
    if (seccion.isEmpty()) {
        r.ok = true;
        return r;
    }
    const auto twips = [puntosPorPulgada](int pixeles) {
        return QString::number(aTwips(pixeles, puntosPorPulgada));
    };
    // All keys in one rewrite, so the placement is never stored half.
    host::ArchivoIni ini(archivoIni);
    try {
        ini.carga();
        ini.escribe(seccion, kVentana, titulo);
        ini.escribe(seccion, kLinea, twips(ventana.top));
        ini.escribe(seccion, kColumna, twips(ventana.left));
        if (conTamano) {
            ini.escribe(seccion, kAncho, twips(ventana.width));
            ini.escribe(seccion, kAlto, twips(ventana.height));
        }
        ini.guarda();
        r.ok = true;
    } catch (const host::ErrorArchivo& e) {
        r.mensaje = e.mensaje();
    }
    return r;
}

Geometria restaura(const QString& archivoIni, const QString& seccion, Geometria ventana,
                   bool conTamano, const Pantallas& pantallas) {
    if (seccion.isEmpty())
        return ventana;
    host::ArchivoIni ini(archivoIni);
    try {
        ini.carga();
    } catch (const host::ErrorArchivo&) {
        // an unreadable file reads as never saved
    }
    const double puntos = pantallas.puntosPorPulgada;
    if (conTamano) {
        const int ancho = aPixeles(numero(ini.lee(seccion, kAncho)), puntos);
        const int alto = aPixeles(numero(ini.lee(seccion, kAlto)), puntos);
        if (ancho > 0 && alto > 0) {
            ventana.width = ancho;
            ventana.height = alto;
        }
    }
    const QString linea = ini.lee(seccion, kLinea);
    const QString columna = ini.lee(seccion, kColumna);
    if (linea.isEmpty() && columna.isEmpty())
        return pantallas.areas.isEmpty() ? ventana : centrada(ventana, pantallas.areas.first());
    ventana.top = aPixeles(numero(linea), puntos);
    ventana.left = aPixeles(numero(columna), puntos);
    return enPantalla(ventana, pantallas);
}

Geometria ajustada(Geometria ventana, const Geometria& area) {
    ventana = dentroDe(ventana, area);
    ventana.left = std::clamp(ventana.left, area.left, area.left + area.width - ventana.width);
    ventana.top = std::clamp(ventana.top, area.top, area.top + area.height - ventana.height);
    return ventana;
}

Geometria centrada(Geometria ventana, const Geometria& area) {
    ventana = dentroDe(ventana, area);
    ventana.left = area.left + (area.width - ventana.width) / 2;
    ventana.top = area.top + (area.height - ventana.height) / 2;
    return ventana;
}

Geometria enPantalla(Geometria ventana, const Pantallas& pantallas) {
    for (const Geometria& area : pantallas.areas)
        if (alcanzable(ventana, area))
            return dentroDe(ventana, area);
    if (pantallas.areas.isEmpty())
        return ventana;
    const Geometria& primaria = pantallas.areas.first();
    ventana = dentroDe(ventana, primaria);
    ventana.left =
        std::clamp(ventana.left, primaria.left, primaria.left + primaria.width - ventana.width);
    ventana.top =
        std::clamp(ventana.top, primaria.top, primaria.top + primaria.height - ventana.height);
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
