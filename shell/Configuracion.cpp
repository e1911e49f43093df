#include "shell/Configuracion.h"

#include "shell/Programa.h"
#include "shell/host/ArchivoIni.h"
#include "shell/host/ErrorArchivo.h"
#include "shell/host/Utilerias.h"

#include <algorithm>

namespace {

const QString kSalto = QStringLiteral("\n");
const QString kAtencion = QStringLiteral("Atención");

} // namespace

QString Configuracion::rutaKorvanDefecto() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\korvanmaestro");
#else
    return QStringLiteral("/opt/korvanmaestro");
#endif
}

void Configuracion::avisaNoEscrito(bool& avisado, const QString& texto) {
    if (avisado)
        return;
    avisado = true;
    programa_.avisos->MsgBox(texto, Avisos::Icono::Exclamacion, kAtencion);
}

QString Configuracion::LeeConDefecto(const QString& seccion, const QString& clave,
                                     const QString& defecto) {
    host::libNucleo& nucleo = *programa_.nucleo;
    const QString& ini = programa_.archivoIni;
    QString valor = nucleo.LeeIni(seccion, clave, ini);
    if (!valor.isEmpty())
        return valor;
    // One write and one read, never a loop: a file that cannot be written would never
    // give the value back.
    try {
        nucleo.EscribeIni(seccion, clave, defecto, ini);
    } catch (const host::ErrorArchivo& e) {
        avisaNoEscrito(avisadoIni_,
                       QStringLiteral("No se pudo escribir el archivo de configuración") + kSalto +
                           kSalto + u'(' + ini + u')' + kSalto + kSalto + e.mensaje() + kSalto +
                           kSalto + QStringLiteral("Se usarán los valores predeterminados."));
        return defecto;
    }
    valor = nucleo.LeeIni(seccion, clave, ini);
    return valor.isEmpty() ? defecto : valor;
}

bool Configuracion::legible(const QString& archivo, const QString& cual) {
    host::ArchivoIni ini(archivo);
    try {
        ini.carga();
        return true;
    } catch (const host::ErrorArchivo& e) {
        // Going on with guessed values could act on the wrong server or database.
        programa_.avisos->MsgBox(
            QStringLiteral("No se puede leer %1.").arg(cual) + kSalto + kSalto + e.mensaje() +
                kSalto + kSalto +
                QStringLiteral("El programa se cierra para no trabajar con valores supuestos. "
                               "Corrija el archivo y vuelva a abrir el programa."),
            Avisos::Icono::Critico, kAtencion);
        return false;
    }
}

QString Configuracion::valorInstalacion(const QString& nombre, bool falta, const QString& defecto) {
    host::DelRegistro& registro = *programa_.registro;
    if (!falta)
        return registro.DatosKRX(nombre);
    try {
        registro.GuardaDatosKRX(nombre, defecto);
    } catch (const host::ErrorArchivo& e) {
        // Reading back an unstored value would give an empty user and port 0.
        avisaNoEscrito(avisadoInstalacion_,
                       QStringLiteral("No se pudieron guardar los datos de conexión de Korvan "
                                      "Maestro") +
                           kSalto + kSalto + u'(' + registro.archivo() + u')' + kSalto + kSalto +
                           e.mensaje() + kSalto + kSalto +
                           QStringLiteral("Se usarán los valores predeterminados."));
        return defecto;
    }
    return registro.DatosKRX(nombre);
}

bool Configuracion::Carga(bool cargaBasePrincipal) {
    host::BasesDD& bases = *programa_.bases;
    host::DelRegistro& registro = *programa_.registro;
    Avisos& avisos = *programa_.avisos;

    if (!legible(programa_.archivoIni,
                 QStringLiteral("el archivo de configuración de este programa")))
        return false;
    const QString carpeta =
        LeeConDefecto(seccionConfiguracion(), claveRutaKorvan(), rutaKorvanDefecto());
    if (registro.BuscarRegistroKRX(carpeta).isEmpty()) {
        avisos.MsgBox(QStringLiteral("En el archivo de configuración de este programa") + kSalto +
                          kSalto + u'(' + programa_.archivoIni + u')' + kSalto + kSalto +
                          QStringLiteral("debe indicarse la ruta correcta de Korvan Maestro.") +
                          kSalto + QStringLiteral("Ruta indicada e incorrecta: ") + kSalto +
                          kSalto + carpeta,
                      Avisos::Icono::Critico, kAtencion);
        if (avisos.MsgBox(QStringLiteral("¿Desea editar el archivo de configuración?"),
                          Avisos::Estilo::siNo(false),
                          QStringLiteral("Editar INI")) == Avisos::Respuesta::Si)
            avisos.AbreDocumento(*programa_.archivos, programa_.archivoIni);
        return false;
    }
    if (!legible(registro.archivo(), QStringLiteral("el archivo de instalación de Korvan Maestro")))
        return false;

    bases.cPuerto = 3306;
    bases.cPassword.clear();
    bases.cUsuario = QStringLiteral("root");
    const QString puerto = valorInstalacion(
        QStringLiteral("MySQLPuerto"),
        host::libNucleo::nxVal(registro.DatosKRX(QStringLiteral("MySQLPuerto"))) == 0,
        QString::number(bases.cPuerto));
    const QString servidor =
        valorInstalacion(QStringLiteral("MySQLServer"),
                         registro.DatosKRX(QStringLiteral("MySQLServer")).trimmed().isEmpty(),
                         registro.DatosKRX(QStringLiteral("servidor")));
    const QString usuario =
        valorInstalacion(QStringLiteral("MySQLUsuario"),
                         registro.DatosKRX(QStringLiteral("MySQLUsuario")).trimmed().isEmpty(),
                         host::Utilerias::Encripta(bases.cUsuario));
    const QString password =
        valorInstalacion(QStringLiteral("MySQLPassword"),
                         registro.DatosKRX(QStringLiteral("MySQLPassword")).trimmed().isEmpty(),
                         host::Utilerias::Encripta(bases.cPassword));

    bases.cPassword = host::Utilerias::DesEncripta(password);
    bases.cUsuario = host::Utilerias::DesEncripta(usuario);
    // A negative or oversized port must not wrap around in the unsigned setting.
    bases.cPuerto = unsigned(std::clamp(host::libNucleo::nxVal(puerto), 0.0, 65535.0));
    bases.cRuta = servidor;

    if (cargaBasePrincipal)
        bases.cMiBase = LeeConDefecto(seccionConfiguracion(), claveBasePrincipal(), baseDefecto());
    return true;
}
