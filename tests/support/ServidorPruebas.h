#pragma once

#include "shell/host/BasesDD.h"
#include "shell/host/Conexion.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

// The server the tests run against: the private one that the ctest fixture starts
// (ACUMULA_PRUEBAS_PRIVADO_PUERTO), or an existing one named by ACUMULA_PRUEBAS_SERVIDOR,
// ACUMULA_PRUEBAS_PUERTO, ACUMULA_PRUEBAS_USUARIO and ACUMULA_PRUEBAS_PASSWORD.
namespace pruebas {

host::ParametrosConexion parametros(const QString& base = {});
std::unique_ptr<host::Conexion> conecta(const QString& base = {});
// A BasesDD set up for the test server, with cMiBase = base.
host::BasesDD basesDD(const QString& base = {});

// A database name no other test process uses: "t_<prefijo>_<pid>_<n>".
QString nombreUnico(const QString& prefijo);

// A company database with the stand-in schema, dropped at the end of the test.
class BaseEmpresa {
public:
    explicit BaseEmpresa(const QString& prefijo, bool conDatosDemo = false);
    ~BaseEmpresa();
    const QString& nombre() const { return nombre_; }
    host::Conexion& conexion() { return *conexion_; }
    void ejecuta(const QString& sql, const QVariantList& valores = {}) {
        conexion_->ejecuta(sql, valores);
    }
    // A scalar query's first value as text (empty for no row or NULL).
    QString valor(const QString& sql, const QVariantList& valores = {});
    qint64 cuenta(const QString& tablaYCondicion, const QVariantList& valores = {});

private:
    QString nombre_;
    std::unique_ptr<host::Conexion> conexion_;
};

// A user of the test server who may read and write the rows of one database but not create
// tables in it, as an office's clerk often is; dropped at the end.
class UsuarioSinCrear {
public:
    explicit UsuarioSinCrear(const QString& base);
    ~UsuarioSinCrear();
    const QString& nombre() const { return nombre_; }
    static QString clave() { return QStringLiteral("clave"); }
    host::ParametrosConexion parametros() const;

private:
    QString base_, nombre_;
};

// Runs f(0) .. f(veces - 1), each on its own thread, all released at the same moment, and
// waits for them all.
void aLaVez(int veces, const std::function<void(int)>& f);

// A port for a server of a test's own: the private server's port plus desplazamiento, so
// that two build folders with their own test ports never share one.
unsigned puertoPropio(unsigned desplazamiento);

// A server of the test's own, on its own port and data folder, for tests that stop or kill
// the server in the middle of an operation or need it started with other options
// (opciones: mariadbd's own, such as "--innodb-autoinc-lock-mode=2").
class ServidorPropio {
public:
    explicit ServidorPropio(unsigned puerto, QStringList opciones = {});
    ~ServidorPropio();
    void arranca();
    void mata();    // ends it at once, as a crash would
    void detiene(); // stops it cleanly
    host::ParametrosConexion parametros(const QString& base = {}) const;
    host::BasesDD basesDD(const QString& base = {}) const;
    unsigned puerto() const { return puerto_; }

private:
    void script(const QStringList& argumentos);
    unsigned puerto_;
    QStringList opciones_;
    QString carpeta_;
};

} // namespace pruebas
