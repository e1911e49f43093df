#include "support/ServidorPruebas.h"

#include "db/GeneradorDemo.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace pruebas {

namespace {

QString entorno(const char* nombre, const QString& omision = {}) {
    const QByteArray v = qgetenv(nombre);
    return v.isEmpty() ? omision : QString::fromLocal8Bit(v);
}

void llena(host::BasesDD& b, const host::ParametrosConexion& p, const QString& base) {
    b.cRuta = p.servidor;
    b.cPuerto = p.puerto;
    b.cUsuario = p.usuario;
    b.cPassword = p.password;
    b.cMiBase = base;
}

} // namespace

host::ParametrosConexion parametros(const QString& base) {
    host::ParametrosConexion p;
    const QString servidor = entorno("ACUMULA_PRUEBAS_SERVIDOR");
    if (!servidor.isEmpty()) {
        p.servidor = servidor;
        p.puerto = entorno("ACUMULA_PRUEBAS_PUERTO", QStringLiteral("3306")).toUInt();
        p.usuario = entorno("ACUMULA_PRUEBAS_USUARIO", QStringLiteral("root"));
        p.password = entorno("ACUMULA_PRUEBAS_PASSWORD");
    } else {
        p.servidor = QStringLiteral("127.0.0.1");
        p.puerto = entorno("ACUMULA_PRUEBAS_PRIVADO_PUERTO", QStringLiteral("3391")).toUInt();
        p.usuario = QStringLiteral("root");
    }
    p.base = base;
    return p;
}

void aLaVez(int veces, const std::function<void(int)>& f) {
    std::atomic<int> listos = 0;
    std::vector<std::thread> hilos;
    for (int k = 0; k < veces; ++k)
        hilos.emplace_back([&, k] {
            ++listos;
            while (listos < veces)
                std::this_thread::yield();
            f(k);
        });
    for (std::thread& h : hilos)
        h.join();
}

unsigned puertoPropio(unsigned desplazamiento) {
    return entorno("ACUMULA_PRUEBAS_PRIVADO_PUERTO", QStringLiteral("3391")).toUInt() +
           desplazamiento;
}

std::unique_ptr<host::Conexion> conecta(const QString& base) {
    return host::Conexion::abrir(parametros(base));
}

host::BasesDD basesDD(const QString& base) {
    host::BasesDD b;
    llena(b, parametros(), base);
    return b;
}

QString nombreUnico(const QString& prefijo) {
    static std::atomic<int> contador{0};
    return QStringLiteral("t_%1_%2_%3").arg(prefijo).arg(getpid()).arg(++contador);
}

BaseEmpresa::BaseEmpresa(const QString& prefijo, bool conDatosDemo)
    : nombre_(nombreUnico(prefijo)), conexion_(conecta()) {
    demo::creaBaseEmpresa(*conexion_, nombre_);
    if (conDatosDemo)
        demo::llenaEmpresa(*conexion_, nombre_, demo::Parametros(), 1);
    conexion_->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(nombre_)));
}

BaseEmpresa::~BaseEmpresa() {
    try {
        auto c = conecta();
        c->ejecuta(QStringLiteral("DROP DATABASE IF EXISTS %1")
                       .arg(host::Conexion::identificador(nombre_)));
    } catch (const host::ErrorBdD&) {
        // The server may be gone at the end of a failed test; nothing to clean then.
    }
}

QString BaseEmpresa::valor(const QString& sql, const QVariantList& valores) {
    auto rs = conexion_->consulta(sql, valores);
    if (rs->eof() || rs->esNulo(0))
        return {};
    return rs->texto(0);
}

qint64 BaseEmpresa::cuenta(const QString& tablaYCondicion, const QVariantList& valores) {
    return valor(QStringLiteral("SELECT COUNT(*) FROM %1").arg(tablaYCondicion), valores)
        .toLongLong();
}

ServidorPropio::ServidorPropio(unsigned puerto, QStringList opciones)
    : puerto_(puerto), opciones_(std::move(opciones)) {
    const QString base = entorno("ACUMULA_PRUEBAS_TMP", QDir::tempPath());
    carpeta_ = QStringLiteral("%1/servidor-%2").arg(base).arg(puerto);
    QDir().mkpath(carpeta_);
    arranca();
}

ServidorPropio::~ServidorPropio() {
    try {
        detiene();
    } catch (const std::exception&) {
    }
}

void ServidorPropio::script(const QStringList& argumentos) {
    const QString scripts = entorno("ACUMULA_PRUEBAS_SCRIPTS");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(scripts + QStringLiteral("/mariadb-server"), argumentos);
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        throw std::runtime_error(
            ("mariadb-server " + argumentos.join(' ') + ": " + QString::fromLocal8Bit(p.readAll()))
                .toStdString());
}

void ServidorPropio::arranca() {
    script(QStringList{QStringLiteral("start"), carpeta_, QString::number(puerto_)} + opciones_);
}
void ServidorPropio::mata() {
    script({QStringLiteral("kill"), carpeta_});
}
void ServidorPropio::detiene() {
    script({QStringLiteral("stop"), carpeta_});
}

host::ParametrosConexion ServidorPropio::parametros(const QString& base) const {
    host::ParametrosConexion p;
    p.servidor = QStringLiteral("127.0.0.1");
    p.puerto = puerto_;
    p.usuario = QStringLiteral("root");
    p.base = base;
    return p;
}

host::BasesDD ServidorPropio::basesDD(const QString& base) const {
    host::BasesDD b;
    llena(b, parametros(), base);
    return b;
}

UsuarioSinCrear::UsuarioSinCrear(const QString& base) : base_(base), nombre_(base.right(30)) {
    auto admin = conecta();
    admin->ejecuta(QStringLiteral("CREATE USER ?@'%' IDENTIFIED BY ?"), {nombre_, clave()});
    admin->ejecuta(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON %1.* TO ?@'%'")
                       .arg(host::Conexion::identificador(base_)),
                   {nombre_});
}

UsuarioSinCrear::~UsuarioSinCrear() {
    try {
        conecta()->ejecuta(QStringLiteral("DROP USER ?@'%'"), {nombre_});
    } catch (const std::exception&) {
    }
}

host::ParametrosConexion UsuarioSinCrear::parametros() const {
    host::ParametrosConexion p = pruebas::parametros(base_);
    p.usuario = nombre_;
    p.password = clave();
    return p;
}

} // namespace pruebas
