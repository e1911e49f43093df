#include "send/Destino.h"

#include "shell/host/ArchivoIni.h"
#include "shell/host/ErrorArchivo.h"
#include "shell/host/Utilerias.h"

#include <QDir>
#include <QFileInfo>

namespace envio {

namespace {

QString clave(const char* nombre) {
    return QString::fromUtf8(nombre);
}

// "Sí", "Si", "No" in any case; none for anything else.
std::optional<bool> siONo(const QString& valor) {
    const QString v = valor.trimmed().toLower();
    if (v.isEmpty() || v == QStringLiteral("sí") || v == QStringLiteral("si"))
        return true;
    if (v == QStringLiteral("no"))
        return false;
    return std::nullopt;
}

// A value Encripta wrote, as opposed to one typed by hand.
bool cifrada(const QString& valor) {
    return host::Utilerias::Encripta(host::Utilerias::DesEncripta(valor)) == valor.trimmed();
}

Destino leeSeccion(const host::ArchivoIni& ini, const QString& seccion, const QString& carpeta) {
    Destino d;
    d.nombre = seccion.mid(Destinos::prefijoSeccion().size()).trimmed();
    const auto lee = [&](const char* nombre) { return ini.lee(seccion, clave(nombre)); };
    d.servidor = lee("Servidor").trimmed();
    d.base = lee("Base de datos").trimmed();
    d.usuario = lee("Usuario");
    d.password = host::Utilerias::DesEncripta(lee("Password"));
    const QString puerto = lee("Puerto").trimmed();
    bool puertoBien = true;
    if (!puerto.isEmpty()) {
        const uint n = puerto.toUInt(&puertoBien);
        puertoBien = puertoBien && n > 0 && n <= 65535;
        d.puerto = puertoBien ? n : 0;
    }
    const std::optional<bool> cifrado = siONo(lee("Cifrado"));
    d.cifrado = cifrado.value_or(true);
    const QString ca = lee("Certificado CA").trimmed();
    if (!ca.isEmpty())
        d.certificadoCA = QDir::cleanPath(QDir(carpeta).absoluteFilePath(ca));

    const QString donde =
        QStringLiteral("El destino \"%1\" del archivo de configuración ").arg(d.nombre);
    if (d.nombre.isEmpty())
        d.error = QStringLiteral("Una sección [Destino] del archivo de configuración no tiene "
                                 "nombre: escríbala como [Destino NOMBRE].");
    else if (d.servidor.isEmpty())
        d.error = donde + QStringLiteral("no indica el servidor (Servidor=).");
    else if (!puertoBien)
        d.error = donde + QStringLiteral("tiene un puerto que no es un número del 1 al 65535: "
                                         "\"%1\".")
                              .arg(puerto);
    else if (d.base.isEmpty())
        d.error = donde + QStringLiteral("no indica la base de datos (Base de datos=).");
    else if (!cifrado)
        d.error =
            donde +
            QStringLiteral("tiene Cifrado=\"%1\": escriba Sí o No.").arg(lee("Cifrado").trimmed());
    else if (d.cifrado && d.certificadoCA.isEmpty() && !d.local())
        d.error = donde + QStringLiteral("pide una conexión cifrada pero no indica el "
                                         "certificado de la autoridad (Certificado CA=), con "
                                         "el que se comprueba el servidor. Escriba la ruta del "
                                         "archivo PEM, o Cifrado=No para conectar sin cifrar.");
    else if (d.cifrado && !d.certificadoCA.isEmpty() && !QFileInfo(d.certificadoCA).isReadable())
        d.error = donde + QStringLiteral("indica un certificado de la autoridad que no existe "
                                         "o no se puede leer: %1")
                              .arg(QDir::toNativeSeparators(d.certificadoCA));
    return d;
}

} // namespace

bool Destino::local() const {
    if (servidor.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    // 127.0.0.0/8 and ::1, the addresses that never leave the machine.
    return servidor.startsWith(QStringLiteral("127.")) || servidor == QStringLiteral("::1") ||
           servidor == QStringLiteral("[::1]");
}

host::ParametrosConexion Destino::parametros() const {
    host::ParametrosConexion p;
    p.servidor = servidor;
    p.puerto = puerto;
    p.usuario = usuario;
    p.password = password;
    p.base = base;
    if (cifrado)
        p.certificadoCA = certificadoCA;
    return p;
}

QString Destino::avisoSinCifrado() const {
    if (cifrado || local())
        return {};
    return QStringLiteral("Aviso: la conexión con el destino \"%1\" (servidor %2) no va cifrada "
                          "(Cifrado=No): los pedidos, el usuario y la contraseña viajan por la "
                          "red sin protección.")
        .arg(nombre, servidor);
}

QString Destino::texto() const {
    return QStringLiteral("%1 (servidor %2:%3, base %4)")
        .arg(nombre, servidor)
        .arg(puerto)
        .arg(base);
}

QVector<Destino> Destinos::lee(const QString& archivoIni, QStringList* avisos) {
    QVector<Destino> destinos;
    if (archivoIni.isEmpty())
        return destinos;
    host::ArchivoIni ini(archivoIni);
    try {
        ini.carga();
    } catch (const host::ErrorArchivo& e) {
        if (avisos)
            *avisos << e.mensaje();
        return destinos;
    }
    const QString carpeta = QFileInfo(archivoIni).absolutePath();
    bool cambio = false;
    for (const QString& seccion : ini.secciones()) {
        if (!seccion.startsWith(prefijoSeccion(), Qt::CaseInsensitive) &&
            seccion.compare(prefijoSeccion().trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        destinos << leeSeccion(ini, seccion, carpeta);
        const QString password = ini.lee(seccion, QStringLiteral("Password"));
        if (!password.isEmpty() && !cifrada(password)) {
            try {
                ini.escribe(seccion, QStringLiteral("Password"),
                            host::Utilerias::Encripta(password));
                cambio = true;
            } catch (const host::ErrorArchivo& e) {
                if (avisos)
                    *avisos << e.mensaje();
            }
        }
    }
    if (cambio) {
        try {
            ini.guarda();
        } catch (const host::ErrorArchivo& e) {
            if (avisos)
                *avisos << QStringLiteral("La contraseña de un destino quedó sin cifrar en el "
                                          "archivo de configuración: %1")
                               .arg(e.mensaje());
        }
    }
    return destinos;
}

std::optional<Destino> Destinos::busca(const QString& archivoIni, const QString& nombre,
                                       QStringList* avisos) {
    for (const Destino& d : lee(archivoIni, avisos))
        if (d.nombre.compare(nombre.trimmed(), Qt::CaseInsensitive) == 0)
            return d;
    return std::nullopt;
}

} // namespace envio
