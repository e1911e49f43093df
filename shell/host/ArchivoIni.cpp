#include "shell/host/ArchivoIni.h"

#include "shell/host/CodificacionAnsi.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <optional>

namespace host {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool esComentario(const QString& recortada) {
    return recortada.startsWith(u';') || recortada.startsWith(u'#');
}

// The section named by a header line "[name]"; nothing when the line is no header.
std::optional<QString> nombreSeccion(const QString& linea) {
    const QString r = linea.trimmed();
    if (!r.startsWith(u'['))
        return std::nullopt;
    const qsizetype cierre = r.indexOf(u']');
    return (cierre < 0 ? r.mid(1) : r.mid(1, cierre - 1)).trimmed();
}

// Position of the '=' of a key line, or -1 for headers, comments and other lines.
qsizetype posicionIgual(const QString& linea) {
    const QString r = linea.trimmed();
    if (r.isEmpty() || r.startsWith(u'[') || esComentario(r))
        return -1;
    return linea.indexOf(u'=');
}

bool mismoNombre(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

} // namespace

ArchivoIni::ArchivoIni(QString ruta) : ruta_(std::move(ruta)) {}

QString ArchivoIni::decodifica(const QByteArray& bytes) {
    const QByteArray cuerpo = bytes.startsWith(kBom) ? bytes.mid(kBom.size()) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texto = utf8.decode(cuerpo);
    if (!utf8.hasError())
        return texto;
    return CodificacionAnsi::decodifica(cuerpo);
}

bool ArchivoIni::carga() {
    lineas_.clear();
    crlf_ = false;
    bom_ = false;
    ultimoError_.clear();
    QFile archivo(ruta_);
    if (!archivo.exists())
        return true;
    if (!archivo.open(QIODevice::ReadOnly)) {
        ultimoError_ = QStringLiteral("No se pudo leer el archivo \"%1\": %2")
                           .arg(ruta_, archivo.errorString());
        return false;
    }
    const QByteArray bytes = archivo.readAll();
    bom_ = bytes.startsWith(kBom);
    crlf_ = bytes.contains("\r\n");
    const QString texto = decodifica(bytes);
    if (texto.isEmpty())
        return true;
    lineas_ = texto.split(u'\n');
    if (lineas_.last().isEmpty())
        lineas_.removeLast(); // the final line end
    for (QString& linea : lineas_)
        if (linea.endsWith(u'\r'))
            linea.chop(1);
    return true;
}

ArchivoIni::Tramo ArchivoIni::buscaSeccion(const QString& seccion) const {
    Tramo tramo;
    for (int i = 0; i < lineas_.size(); ++i) {
        const std::optional<QString> nombre = nombreSeccion(lineas_.at(i));
        if (!nombre)
            continue;
        if (tramo.inicio >= 0) {
            tramo.fin = i;
            return tramo;
        }
        if (mismoNombre(*nombre, seccion))
            tramo.inicio = i + 1;
    }
    if (tramo.inicio >= 0)
        tramo.fin = int(lineas_.size());
    return tramo;
}

int ArchivoIni::buscaClave(const Tramo& tramo, const QString& clave) const {
    for (int i = tramo.inicio; i >= 0 && i < tramo.fin; ++i) {
        const QString& linea = lineas_.at(i);
        const qsizetype igual = posicionIgual(linea);
        if (igual >= 0 && mismoNombre(linea.left(igual), clave))
            return i;
    }
    return -1;
}

QString ArchivoIni::lee(const QString& seccion, const QString& clave) const {
    const int i = buscaClave(buscaSeccion(seccion), clave);
    if (i < 0)
        return {};
    const QString& linea = lineas_.at(i);
    QString valor = linea.mid(posicionIgual(linea) + 1).trimmed();
    if (valor.size() >= 2 && valor.startsWith(u'"') && valor.endsWith(u'"'))
        valor = valor.mid(1, valor.size() - 2);
    return valor;
}

bool ArchivoIni::escribe(const QString& seccion, const QString& clave, const QString& valor) {
    const QString s = seccion.trimmed();
    const QString c = clave.trimmed();
    if (s.isEmpty() || s.contains(u']') || c.isEmpty() || c.contains(u'=') || c.startsWith(u'[') ||
        esComentario(c) || (s + c).contains(u'\n') || (s + c).contains(u'\r')) {
        ultimoError_ =
            QStringLiteral("No se puede escribir la clave \"%1\" de la sección \"%2\" en un "
                           "archivo INI.")
                .arg(clave, seccion);
        return false;
    }
    // A line break in a value would start a new line of the file and could forge keys.
    QString v = valor;
    v.replace(u'\r', u' ').replace(u'\n', u' ');

    const Tramo tramo = buscaSeccion(s);
    const int i = buscaClave(tramo, c);
    if (i >= 0) {
        QString& linea = lineas_[i];
        const qsizetype igual = posicionIgual(linea);
        // Keep the line's own spelling and spacing up to where the value starts.
        qsizetype inicio = igual + 1;
        while (inicio < linea.size() && (linea.at(inicio) == u' ' || linea.at(inicio) == u'\t'))
            ++inicio;
        linea = linea.left(inicio) + v;
        return true;
    }
    const QString nueva = c + u'=' + v;
    if (tramo.inicio >= 0) {
        int pos = tramo.fin; // after the section's last non-blank line
        while (pos > tramo.inicio && lineas_.at(pos - 1).trimmed().isEmpty())
            --pos;
        lineas_.insert(pos, nueva);
        return true;
    }
    if (!lineas_.isEmpty() && !lineas_.last().trimmed().isEmpty())
        lineas_.append(QString());
    lineas_.append(u'[' + s + u']');
    lineas_.append(nueva);
    return true;
}

bool ArchivoIni::guarda() {
    const QString fin = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QByteArray bytes = bom_ ? kBom : QByteArray();
    for (const QString& linea : lineas_)
        bytes += (linea + fin).toUtf8();
    QSaveFile archivo(ruta_);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(bytes) != bytes.size() ||
        !archivo.commit()) {
        ultimoError_ = QStringLiteral("No se pudo escribir el archivo \"%1\": %2")
                           .arg(ruta_, archivo.errorString());
        return false;
    }
    return true;
}

QString ArchivoIni::leeValor(const QString& ruta, const QString& seccion, const QString& clave) {
    ArchivoIni ini(ruta);
    return ini.carga() ? ini.lee(seccion, clave) : QString();
}

bool ArchivoIni::escribeValor(const QString& ruta, const QString& seccion, const QString& clave,
                              const QString& valor, QString* error) {
    ArchivoIni ini(ruta);
    // A file that cannot be read is never overwritten: its contents would be lost.
    const bool hecho = ini.carga() && ini.escribe(seccion, clave, valor) && ini.guarda();
    if (!hecho && error)
        *error = ini.ultimoError();
    return hecho;
}

} // namespace host
