#include "Cluster.h"

#include <QProcess>
#include <stdexcept>

namespace pruebas::cluster {

namespace {

void script(const QStringList& argumentos) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(qEnvironmentVariable("ACUMULA_PRUEBAS_SCRIPTS") + QStringLiteral("/galera"),
            QStringList{argumentos.first(), qEnvironmentVariable("ACUMULA_PRUEBAS_GALERA")} +
                argumentos.mid(1));
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        throw std::runtime_error(
            ("galera " + argumentos.join(' ') + ": " + QString::fromLocal8Bit(p.readAll()))
                .toStdString());
}

} // namespace

bool disponible() {
    return qEnvironmentVariableIsEmpty("ACUMULA_PRUEBAS_SERVIDOR") &&
           !qEnvironmentVariableIsEmpty("ACUMULA_PRUEBAS_GALERA");
}

host::ParametrosConexion nodo(int n, const QString& base) {
    host::ParametrosConexion p = parametros(base);
    p.puerto += n - 1;
    return p;
}

host::BasesDD basesNodo(int n, const QString& base) {
    host::BasesDD b = basesDD(base);
    b.cPuerto += n - 1;
    return b;
}

void agregaLlave(host::Conexion& conexion, const QString& base) {
    const QString tabla = host::Conexion::identificador(base) + QStringLiteral(".pedidosdetalle");
    for (const char* paso :
         {"ALTER TABLE %1 ADD COLUMN Renglon BIGINT UNSIGNED NULL INVISIBLE", "SET @renglon=0",
          "UPDATE %1 SET Renglon=(@renglon:=@renglon+1) ORDER BY Id, Partida",
          "ALTER TABLE %1 MODIFY Renglon BIGINT UNSIGNED NOT NULL "
          "AUTO_INCREMENT INVISIBLE, ADD PRIMARY KEY (Renglon)"})
        conexion.ejecuta(QString::fromLatin1(paso).replace(QLatin1String("%1"), tabla));
}

qint64 conflictos() {
    qint64 suma = 0;
    for (int n = 1; n <= 3; ++n) {
        try {
            auto rs = host::Conexion::abrir(nodo(n))->consulta(
                QStringLiteral("SELECT SUM(VARIABLE_VALUE) FROM information_schema.GLOBAL_STATUS "
                               "WHERE VARIABLE_NAME IN ('WSREP_LOCAL_CERT_FAILURES', "
                               "'WSREP_LOCAL_BF_ABORTS')"));
            suma += rs->entero(0);
        } catch (const host::ErrorBdD&) {
            // A node that is down counts nothing.
        }
    }
    return suma;
}

void mata(int n) {
    script({QStringLiteral("kill"), QString::number(n)});
}

void completa() {
    script({QStringLiteral("start")});
}

} // namespace pruebas::cluster
