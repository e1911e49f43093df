#include "shell/OpcionesOrden.h"

#include "shell/host/Fechas.h"

#include <algorithm>

namespace {

// Qt reads these from the program's arguments itself, with a single dash (or two) and the
// value always as the next word.
bool esDeQt(const QString& nombre) {
    static const QStringList deQt = {QStringLiteral("platform"),        QStringLiteral("style"),
                                     QStringLiteral("stylesheet"),      QStringLiteral("reverse"),
                                     QStringLiteral("qwindowgeometry"), QStringLiteral("display")};
    return deQt.contains(nombre);
}

const Opcion* busca(const QList<Opcion>& opciones, const QString& nombre) {
    const auto i = std::find_if(opciones.cbegin(), opciones.cend(),
                                [&](const Opcion& o) { return o.nombre == nombre; });
    return i == opciones.cend() ? nullptr : &*i;
}

QString conGuiones(const Opcion& o) {
    return (esDeQt(o.nombre) ? QStringLiteral("-") : QStringLiteral("--")) + o.nombre;
}

} // namespace

const QList<Opcion>& OpcionesOrden::comunes() {
    static const QList<Opcion> lista = {
        {QStringLiteral("ini"), QStringLiteral("ARCHIVO"),
         QStringLiteral("usa ese archivo de configuración en lugar de acumulapedidos.ini; su "
                        "carpeta es entonces la carpeta del programa")},
        {QStringLiteral("help"), {}, QStringLiteral("muestra esta ayuda (también -h)")},
        {QStringLiteral("version"), {}, QStringLiteral("muestra la versión del programa")},
        {QStringLiteral("platform"), QStringLiteral("NOMBRE"),
         QStringLiteral("plataforma de ventanas de Qt (xcb, wayland, offscreen...)")},
        {QStringLiteral("style"), QStringLiteral("ESTILO"),
         QStringLiteral("estilo de Qt para las ventanas (Fusion, Windows...)")},
        {QStringLiteral("stylesheet"), QStringLiteral("ARCHIVO"),
         QStringLiteral("hoja de estilo de Qt para las ventanas")},
        {QStringLiteral("reverse"), {}, QStringLiteral("ventanas de derecha a izquierda")},
        {QStringLiteral("qwindowgeometry"), QStringLiteral("GEOMETRÍA"),
         QStringLiteral("tamaño y posición de la ventana principal (ANCHOxALTO+X+Y)")},
        {QStringLiteral("display"), QStringLiteral("PANTALLA"),
         QStringLiteral("pantalla X donde se abren las ventanas")},
    };
    return lista;
}

OpcionesOrden::OpcionesOrden(const QStringList& argumentos, const QList<Opcion>& admitidas,
                             bool paraEnOrden) {
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString& a = argumentos[i];
        const bool larga = a.startsWith(QLatin1String("--")) && a.size() > 2;
        if (!larga && !(a.startsWith(u'-') && a.size() > 1)) {
            if (paraEnOrden) {
                resto_ = argumentos.mid(i);
                return;
            }
            error_ = QStringLiteral("Argumento no esperado: \"%1\".").arg(a);
            return;
        }
        QString nombre = a.mid(larga ? 2 : 1);
        QString valor;
        const qsizetype igual = larga ? nombre.indexOf(u'=') : -1;
        if (igual >= 0) {
            valor = nombre.mid(igual + 1);
            nombre.truncate(igual);
        }
        if (!larga && (nombre == u'h' || nombre == u'?'))
            nombre = QStringLiteral("help");
        const Opcion* opcion = busca(admitidas, nombre);
        if (!opcion)
            opcion = busca(comunes(), nombre);
        // A single dash is Qt's way, and only for its options; Qt takes no "=value".
        if (!opcion || (!larga && nombre != QLatin1String("help") && !esDeQt(nombre)) ||
            (igual >= 0 && esDeQt(nombre))) {
            error_ = QStringLiteral("Opción desconocida: %1.").arg(a);
            return;
        }
        if (opcion->valor.isEmpty()) {
            if (igual >= 0) {
                error_ = QStringLiteral("La opción --%1 no lleva valor.").arg(nombre);
                return;
            }
        } else if (igual < 0) {
            // An option right after one that needs a value means the value was forgotten.
            if (i + 1 >= argumentos.size() || argumentos[i + 1].startsWith(QLatin1String("--"))) {
                error_ = QStringLiteral("Falta el valor de la opción %1.").arg(conGuiones(*opcion));
                return;
            }
            valor = argumentos[++i];
        }
        valores_.insert(nombre, valor);
    }
}

QStringList OpcionesOrden::valores(const QString& nombre) const {
    QStringList lista = valores_.values(nombre);
    std::reverse(lista.begin(), lista.end()); // QMultiHash gives the newest first
    return lista;
}

void OpcionesOrden::falla(const QString& mensaje) {
    if (error_.isEmpty())
        error_ = mensaje;
}

QDate OpcionesOrden::fecha(const QString& nombre, bool obligatoria) {
    if (!error_.isEmpty())
        return {};
    if (!tiene(nombre)) {
        if (obligatoria)
            falla(QStringLiteral("Falta la opción --%1 FECHA.").arg(nombre));
        return {};
    }
    const QDate f = host::Fechas::deTextoCorto(valor(nombre));
    if (!f.isValid())
        falla(QStringLiteral("La fecha \"%1\" de --%2 no es válida; escríbala como dd/mm/aaaa o "
                             "aaaa-mm-dd.")
                  .arg(valor(nombre), nombre));
    return f;
}

std::optional<QDate> OpcionesOrden::fechaSiHay(const QString& nombre) {
    const QDate f = fecha(nombre, false);
    return f.isValid() ? std::optional<QDate>(f) : std::nullopt;
}

QVector<qint64> OpcionesOrden::ids(const QString& nombre) {
    QVector<qint64> salida;
    for (const QString& valor : valores(nombre)) {
        bool ok = false;
        salida << valor.toLongLong(&ok);
        if (!ok)
            falla(QStringLiteral("El Id \"%1\" no es un número entero.").arg(valor));
    }
    return salida;
}

qint64 OpcionesOrden::corrida(const QString& nombre) {
    if (!tiene(nombre))
        return 0;
    bool ok = false;
    const qint64 n = valor(nombre).toLongLong(&ok);
    if (ok && n > 0)
        return n;
    falla(QStringLiteral("La corrida \"%1\" no es un número de corrida (el que muestra "
                         "bitacora, por ejemplo 12).")
              .arg(valor(nombre)));
    return 0;
}

QString OpcionesOrden::textoAyuda(const QList<Opcion>& opciones) {
    QStringList izquierdas;
    qsizetype ancho = 0;
    for (const Opcion& o : opciones) {
        izquierdas << (o.valor.isEmpty() ? conGuiones(o) : conGuiones(o) + u' ' + o.valor);
        ancho = std::max(ancho, izquierdas.last().size());
    }
    QString texto;
    for (qsizetype i = 0; i < opciones.size(); ++i)
        texto +=
            QStringLiteral("  %1  %2\n").arg(izquierdas[i], -int(ancho)).arg(opciones[i].ayuda);
    return texto;
}

QString OpcionesOrden::sinopsis(const QList<Opcion>& opciones) {
    QStringList partes;
    for (const Opcion& o : opciones) {
        QString parte = o.valor.isEmpty() ? conGuiones(o) : conGuiones(o) + u' ' + o.valor;
        if (!o.obligatoria)
            parte = u'[' + parte + u']';
        if (o.repetible)
            parte += QStringLiteral("...");
        partes << parte;
    }
    return partes.join(u' ');
}

QString OpcionesOrden::uso(const QString& orden, const QList<Opcion>& opciones) {
    return QStringLiteral("Uso: acumulapedidos [--ini ARCHIVO] %1 %2")
        .arg(orden, sinopsis(opciones))
        .trimmed();
}
