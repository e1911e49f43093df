#pragma once

#include "app/Comandos.h"
#include "db/GeneradorDemo.h"
#include "send/Destino.h"
#include "support/OrdenPrueba.h"
#include "support/ServidorPruebas.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Messages after a failed expectation, as text.
inline std::ostream& operator<<(std::ostream& os, const QString& texto) {
    return os << texto.toStdString();
}

// The branch the orders are sent to: the second private server (fixture-sucursal), and a
// company database on it for one test.
namespace sucursal {

inline QString carpeta() {
    return qEnvironmentVariable("ACUMULA_PRUEBAS_SUCURSAL");
}
inline unsigned puerto() {
    return qEnvironmentVariable("ACUMULA_PRUEBAS_SUCURSAL_PUERTO", QStringLiteral("3406")).toUInt();
}
inline QString ca() {
    return carpeta() + QStringLiteral("/tls/ca.pem");
}
inline QString otraCA() {
    return carpeta() + QStringLiteral("/tls/otra-ca.pem");
}

// The administrator's connection, over TLS.
inline host::ParametrosConexion parametros(const QString& base = {}) {
    host::ParametrosConexion p;
    p.servidor = QStringLiteral("127.0.0.1");
    p.puerto = puerto();
    p.usuario = QStringLiteral("root");
    p.base = base;
    p.certificadoCA = ca();
    return p;
}

// A company database of the branch, and a user of it with the grants a destination needs;
// both dropped at the end.
class Base {
public:
    explicit Base(const QString& prefijo, const host::ParametrosConexion& servidor = parametros())
        : servidor_(servidor), nombre_(pruebas::nombreUnico(prefijo)) {
        conexion_ = host::Conexion::abrir(servidor_);
        demo::creaBaseEmpresa(*conexion_, nombre_);
        demo::Parametros vacia;
        vacia.pedidos = 0;
        demo::llenaEmpresa(*conexion_, nombre_, vacia, 2);
        conexion_->ejecuta(QStringLiteral("USE %1").arg(host::Conexion::identificador(nombre_)));
        usuario_ = nombre_.right(30);
        conexion_->ejecuta(QStringLiteral("CREATE USER ?@'127.0.0.1' IDENTIFIED BY ?"),
                           {usuario_, clave()});
        conexion_->ejecuta(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE, CREATE ON %1.* "
                                          "TO ?@'127.0.0.1'")
                               .arg(host::Conexion::identificador(nombre_)),
                           {usuario_});
    }
    ~Base() {
        try {
            auto c = host::Conexion::abrir(servidor_);
            c->ejecuta(QStringLiteral("DROP DATABASE IF EXISTS %1")
                           .arg(host::Conexion::identificador(nombre_)));
            c->ejecuta(QStringLiteral("DROP USER IF EXISTS ?@'127.0.0.1'"), {usuario_});
        } catch (const host::ErrorBdD&) {
            // A server a test killed: nothing to clean.
        }
    }
    const QString& nombre() const { return nombre_; }
    const QString& usuario() const { return usuario_; }
    static QString clave() { return QStringLiteral("clavé sucursal"); }
    // Read on a connection of its own, so that what another session left uncommitted does
    // not count.
    qint64 cuenta(const QString& tablaYCondicion) const {
        auto c = host::Conexion::abrir(servidor_);
        c->usa(nombre_);
        return c->consulta(QStringLiteral("SELECT COUNT(*) FROM %1").arg(tablaYCondicion))
            ->entero(0);
    }
    QString valor(const QString& sql) const {
        auto c = host::Conexion::abrir(servidor_);
        c->usa(nombre_);
        auto rs = c->consulta(sql);
        return rs->eof() ? QString() : rs->texto(0);
    }
    // The destination as the INI would give it, over TLS to the fixture's server.
    envio::Destino destino(const QString& nombre = QStringLiteral("sucursal")) const {
        envio::Destino d;
        d.nombre = nombre;
        d.servidor = servidor_.servidor;
        d.puerto = servidor_.puerto;
        d.base = nombre_;
        d.usuario = usuario_;
        d.password = clave();
        d.cifrado = !servidor_.certificadoCA.isEmpty();
        d.certificadoCA = servidor_.certificadoCA;
        return d;
    }

private:
    host::ParametrosConexion servidor_;
    QString nombre_, usuario_;
    std::unique_ptr<host::Conexion> conexion_;
};

// The export side: a company database of the main test server with pedidos orders of
// renglones lines each, and a program folder with its INI file.
class Origen {
public:
    explicit Origen(int pedidos = 6, int renglones = 2) : base_(QStringLiteral("origen")) {
        demo::Parametros p;
        p.pedidos = pedidos;
        p.renglones = renglones;
        demo::llenaEmpresa(base_.conexion(), base_.nombre(), p, 1);
        *programa.bases = pruebas::basesDD(base_.nombre());
        programa.baseExportar = base_.nombre();
        programa.baseImportar = base_.nombre();
        programa.carpetaPrograma = carpeta_.path();
        programa.archivoIni = carpeta_.filePath(QStringLiteral("acumulapedidos.ini"));
    }
    pruebas::BaseEmpresa& base() { return base_; }
    QString carpeta() const { return carpeta_.path(); }
    // The Ids of the orders, oldest first, as the export lists them.
    QVector<qint64> ids() {
        QVector<qint64> ids;
        auto rs =
            base_.conexion().consulta(QStringLiteral("SELECT Id FROM pedidos ORDER BY Fecha, Id"));
        for (; !rs->eof(); rs->MoveNext())
            ids << rs->entero(0);
        return ids;
    }
    // Writes the INI file with these bytes.
    void ini(const QByteArray& bytes) {
        QFile f(programa.archivoIni);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    // An INI whose [Destino NOMBRE] section reaches d.
    void iniCon(const envio::Destino& d, const QByteArray& extra = {}) {
        ini("[Configuración]\r\nPara exportar pedidos=" + base_.nombre().toUtf8() +
            "\r\n\r\n[Destino " + d.nombre.toUtf8() + "]\r\nServidor=" + d.servidor.toUtf8() +
            "\r\nPuerto=" + QByteArray::number(d.puerto) + "\r\nBase de datos=" + d.base.toUtf8() +
            "\r\nUsuario=" + d.usuario.toUtf8() + "\r\nPassword=" + d.password.toUtf8() +
            "\r\nCifrado=" + (d.cifrado ? "Sí" : "No") +
            "\r\nCertificado CA=" + d.certificadoCA.toUtf8() + "\r\n" + extra);
    }
    QByteArray iniLeido() const {
        QFile f(programa.archivoIni);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList enviados() const {
        return QDir(carpeta_.filePath(QStringLiteral("enviados"))).entryList(QDir::Files);
    }
    // Runs a command of the program.
    pruebas::Salida corre(pruebas::Orden orden, const QStringList& argumentos) {
        return pruebas::corre(orden, programa, argumentos);
    }

    Programa programa;

private:
    pruebas::BaseEmpresa base_;
    QTemporaryDir carpeta_;
};

} // namespace sucursal
