#include "shell/host/ArchivoIni.h"

#include "shell/host/CodificacionAnsi.h"
#include "shell/host/ErrorArchivo.h"
#include "shell/host/FalloSistema.h"
#include "shell/host/ReemplazoArchivo.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <optional>

namespace host {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
#ifdef Q_OS_WIN
const QByteArray kFinSistema("\r\n");
#else
const QByteArray kFinSistema("\n");
#endif

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

ArchivoIni::ArchivoIni(QString ruta, Codificacion siNoSeSabe)
    : ruta_(std::move(ruta)), siNoSeSabe_(siNoSeSabe), codificacion_(siNoSeSabe) {}

QString ArchivoIni::decodifica(const QByteArray& bytes) {
    const QByteArray cuerpo = bytes.startsWith(kBom) ? bytes.mid(kBom.size()) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texto = utf8.decode(cuerpo);
    if (!utf8.hasError())
        return texto;
    return CodificacionAnsi::decodifica(cuerpo);
}

QByteArray ArchivoIni::leeBytes() const {
    const QString noLeido = QStringLiteral("No se pudo leer el archivo \"%1\". ").arg(ruta_);
    if (QFileInfo(ruta_).isDir())
        throw ErrorArchivo(noLeido +
                           FalloSistema::deNumero(EISDIR, QFileDevice::OpenError).texto());
    QFile archivo(ruta_);
    if (!archivo.open(QIODevice::ReadOnly))
        throw ErrorArchivo(noLeido + FalloSistema::deArchivo(archivo, errno).texto());
    // The size is looked at before reading, and the reading stops past the limit for files
    // that do not tell their size.
    QByteArray bytes;
    if (archivo.size() <= kTamanoMaximo) {
        bytes = archivo.read(kTamanoMaximo + 1);
        if (archivo.error() != QFileDevice::NoError)
            throw ErrorArchivo(noLeido + FalloSistema::deArchivo(archivo, errno).texto());
    }
    if (archivo.size() > kTamanoMaximo || bytes.size() > kTamanoMaximo) {
        throw ErrorArchivo(QStringLiteral("El archivo \"%1\" mide más de 1 MB (%2 bytes) y no se "
                                          "leyó: un archivo de configuración nunca es tan grande. "
                                          "Compruebe que es el archivo correcto.")
                               .arg(ruta_)
                               .arg(std::max(archivo.size(), qint64(kTamanoMaximo + 1))));
    }
    return bytes;
}

void ArchivoIni::carga() {
    lineas_.clear();
    bom_.clear();
    leido_.clear();
    finNuevas_ = kFinSistema;
    codificacion_ = siNoSeSabe_;
    existe_ = false;
    if (!QFileInfo::exists(ruta_))
        return;
    const QByteArray bytes = leeBytes();
    existe_ = true;
    leido_ = bytes;
    qsizetype desde = 0;
    if (bytes.startsWith(kBom)) {
        bom_ = kBom;
        desde = kBom.size();
        codificacion_ = Codificacion::Utf8;
    } else {
        const QByteArrayView cuerpo(bytes);
        const bool ascii = std::all_of(cuerpo.begin(), cuerpo.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!ascii) {
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString texto = utf8.decode(cuerpo);
            codificacion_ = utf8.hasError() ? Codificacion::Windows1252 : Codificacion::Utf8;
        }
    }
    int crlf = 0;
    int lf = 0;
    while (desde < bytes.size()) {
        Linea linea;
        const qsizetype salto = bytes.indexOf('\n', desde);
        qsizetype finTexto = salto < 0 ? bytes.size() : salto;
        if (salto >= 0 && salto > desde && bytes.at(salto - 1) == '\r') {
            --finTexto;
            linea.fin = QByteArrayLiteral("\r\n");
            ++crlf;
        } else if (salto >= 0) {
            linea.fin = QByteArrayLiteral("\n");
            ++lf;
        }
        linea.bytes = bytes.mid(desde, finTexto - desde);
        linea.texto = codificacion_ == Codificacion::Utf8
                          ? QString::fromUtf8(linea.bytes)
                          : CodificacionAnsi::decodifica(linea.bytes);
        lineas_.append(linea);
        desde = salto < 0 ? bytes.size() : salto + 1;
    }
    if (crlf > 0 || lf > 0)
        finNuevas_ = crlf >= lf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

QStringList ArchivoIni::secciones() const {
    QStringList nombres;
    for (const Linea& linea : lineas_)
        if (const std::optional<QString> nombre = nombreSeccion(linea.texto))
            nombres << *nombre;
    return nombres;
}

ArchivoIni::Tramo ArchivoIni::buscaSeccion(const QString& seccion) const {
    Tramo tramo;
    for (int i = 0; i < lineas_.size(); ++i) {
        const std::optional<QString> nombre = nombreSeccion(lineas_.at(i).texto);
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
        const QString& linea = lineas_.at(i).texto;
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
    const QString& linea = lineas_.at(i).texto;
    QString valor = linea.mid(posicionIgual(linea) + 1).trimmed();
    if (valor.size() >= 2 && valor.startsWith(u'"') && valor.endsWith(u'"'))
        valor = valor.mid(1, valor.size() - 2);
    return valor;
}

QByteArray ArchivoIni::codifica(const QString& texto) const {
    if (codificacion_ == Codificacion::Utf8)
        return texto.toUtf8();
    QByteArray bytes;
    CodificacionAnsi::codifica(texto, bytes);
    return bytes;
}

void ArchivoIni::exigeQueQuepa(const QString& texto, const QString& clave) const {
    if (codificacion_ == Codificacion::Utf8)
        return;
    QString fuera;
    for (const char32_t c : texto.toUcs4()) {
        bool cabe = true;
        CodificacionAnsi::byteDe(c, cabe);
        const QString caracter = QString::fromUcs4(&c, 1);
        if (!cabe && !fuera.contains(caracter))
            fuera += caracter;
    }
    if (fuera.isEmpty())
        return;
    // Written as "?" the value would be another one, and nobody would know.
    throw ErrorArchivo(
        QStringLiteral("El archivo \"%1\" está escrito en la codificación "
                       "Windows-1252, que no admite estos caracteres de \"%2\": %3. "
                       "No se cambió el archivo: escriba el valor sin esos caracteres.")
            .arg(ruta_, clave, fuera));
}

void ArchivoIni::inserta(int posicion, const QString& texto) {
    Linea nueva{texto, codifica(texto), finNuevas_};
    // A file that ended without a line end still does, after the added line.
    if (posicion == lineas_.size() && !lineas_.isEmpty() && lineas_.last().fin.isEmpty()) {
        lineas_.last().fin = finNuevas_;
        nueva.fin.clear();
    }
    lineas_.insert(posicion, nueva);
}

void ArchivoIni::escribe(const QString& seccion, const QString& clave, const QString& valor) {
    const QString s = seccion.trimmed();
    const QString c = clave.trimmed();
    if (s.isEmpty() || s.contains(u']') || c.isEmpty() || c.contains(u'=') || c.startsWith(u'[') ||
        esComentario(c) || (s + c).contains(u'\n') || (s + c).contains(u'\r'))
        throw ErrorArchivo(
            QStringLiteral("No se puede escribir la clave \"%1\" de la sección \"%2\" en un "
                           "archivo INI.")
                .arg(clave, seccion));
    // A line break in a value would start a new line of the file and could forge keys.
    QString v = valor;
    v.replace(u'\r', u' ').replace(u'\n', u' ');

    const Tramo tramo = buscaSeccion(s);
    const int i = buscaClave(tramo, c);
    if (i >= 0) {
        exigeQueQuepa(v, c);
        Linea& linea = lineas_[i];
        const qsizetype igual = posicionIgual(linea.texto);
        // Keep the line's own spelling and spacing up to where the value starts.
        qsizetype inicio = igual + 1;
        while (inicio < linea.texto.size() &&
               (linea.texto.at(inicio) == u' ' || linea.texto.at(inicio) == u'\t'))
            ++inicio;
        linea.texto = linea.texto.left(inicio) + v;
        linea.bytes = codifica(linea.texto);
        return;
    }
    const QString nueva = c + u'=' + v;
    exigeQueQuepa(tramo.inicio >= 0 ? nueva : s + nueva, c);
    if (tramo.inicio >= 0) {
        int pos = tramo.fin; // after the section's last non-blank line
        while (pos > tramo.inicio && lineas_.at(pos - 1).texto.trimmed().isEmpty())
            --pos;
        inserta(pos, nueva);
        return;
    }
    if (!lineas_.isEmpty() && !lineas_.last().texto.trimmed().isEmpty())
        inserta(int(lineas_.size()), QString());
    inserta(int(lineas_.size()), u'[' + s + u']');
    inserta(int(lineas_.size()), nueva);
}

QByteArray ArchivoIni::contenido() const {
    QByteArray bytes = bom_;
    for (const Linea& linea : lineas_)
        bytes += linea.bytes + linea.fin;
    return bytes;
}

void ArchivoIni::guarda() {
    const QByteArray bytes = contenido();
    if (bytes == leido_ && (existe_ || bytes.isEmpty()))
        return; // nothing changed: the file is not touched
    ReemplazoArchivo::reemplaza(ruta_, bytes);
    leido_ = bytes;
    existe_ = true;
}

QString ArchivoIni::leeValor(const QString& ruta, const QString& seccion, const QString& clave) {
    ArchivoIni ini(ruta);
    try {
        ini.carga();
    } catch (const ErrorArchivo&) {
        return {};
    }
    return ini.lee(seccion, clave);
}

void ArchivoIni::escribeValor(const QString& ruta, const QString& seccion, const QString& clave,
                              const QString& valor, Codificacion siNoSeSabe) {
    ArchivoIni ini(ruta, siNoSeSabe);
    // A file that cannot be read is never overwritten: its contents would be lost.
    ini.carga();
    ini.escribe(seccion, clave, valor);
    ini.guarda();
}

} // namespace host
