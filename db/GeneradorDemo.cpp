#include "db/GeneradorDemo.h"

#include "db/EsquemaSql.h"

#include <QRegularExpression>
#include <random>

using host::Conexion;

namespace demo {

namespace {

QStringList separa(const char* sql) {
    QString texto = QString::fromUtf8(sql);
    texto.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    QStringList salida;
    for (const QString& s : texto.split(QLatin1Char(';'))) {
        const QString t = s.trimmed();
        if (!t.isEmpty())
            salida << t;
    }
    return salida;
}

void creaConTablas(Conexion& c, const QString& base, const QStringList& sentencias) {
    const QString id = Conexion::identificador(base);
    c.ejecuta(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(id));
    c.ejecuta(QStringLiteral("CREATE DATABASE %1 DEFAULT CHARACTER SET utf8mb4").arg(id));
    for (QString s : sentencias) {
        s.replace(QStringLiteral("CREATE TABLE "), QStringLiteral("CREATE TABLE %1.").arg(id));
        c.ejecuta(s);
    }
}

// Multi-row INSERT in batches, so big demo databases load quickly.
class InsercionPorLotes {
public:
    InsercionPorLotes(Conexion& c, QByteArray inicio) : c_(c), inicio_(std::move(inicio)) {}
    ~InsercionPorLotes() noexcept(false) { vacia(); }
    void fila(const QVariantList& valores) {
        sql_ += filas_ ? ",(" : "(";
        for (int i = 0; i < valores.size(); ++i) {
            if (i)
                sql_ += ',';
            c_.agregaLiteral(sql_, valores[i]);
        }
        sql_ += ')';
        if (++filas_ >= 1000)
            vacia();
    }
    void vacia() {
        if (filas_ == 0)
            return;
        c_.ejecutaCrudo(inicio_ + sql_);
        sql_.clear();
        filas_ = 0;
    }

private:
    Conexion& c_;
    QByteArray inicio_;
    QByteArray sql_;
    int filas_ = 0;
};

const char* const nombres[] = {
    "Ferretería La Única", "Abarrotes Doña Ñeli",  "Comercial Peña",   "Distribuidora Álvarez",
    "Papelería O'Brien",   "Muebles \"El Roble\"", "Tlapalería Núñez", "Refacciones Ibáñez"};
const char* const ciudades[] = {"Monterrey", "Querétaro", "León", "Mérida", "Culiacán", "Toluca"};
const char* const articulos[] = {"Tornillo", "Tuerca",   "Arandela",       "Bisagra", "Cerradura",
                                 "Taladro",  "Martillo", "Llave española", "Brocha",  "Pintura"};

QString clave(char letra, int n) {
    return QStringLiteral("%1%2").arg(QLatin1Char(letra)).arg(n, 4, 10, QLatin1Char('0'));
}

QString dinero(double v) {
    return QString::number(v, 'f', 2);
}

} // namespace

QStringList sentenciasEmpresa() {
    return separa(esquemaEmpresaSql);
}
QStringList sentenciasGeneral() {
    return separa(esquemaGeneralSql);
}

void creaBaseEmpresa(Conexion& conexion, const QString& base) {
    creaConTablas(conexion, base, sentenciasEmpresa());
}

void creaGeneral(Conexion& conexion, const QString& base) {
    creaConTablas(conexion, base, sentenciasGeneral());
}

qint64 registraEmpresa(Conexion& conexion, const QString& baseEmpresa, const QString& nombre,
                       const QString& general) {
    conexion.ejecuta(QStringLiteral("INSERT INTO %1.empresas (Nombre, BaseDeDatos) VALUES (?, ?)")
                         .arg(Conexion::identificador(general)),
                     {nombre.isEmpty() ? baseEmpresa : nombre, baseEmpresa});
    return qint64(conexion.ultimoId());
}

void llenaEmpresa(Conexion& c, const QString& base, const Parametros& p, int numero) {
    std::mt19937 azar(p.semilla * 7919u + quint32(numero));
    auto entre = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(azar); };
    auto probabilidad = [&](double q) {
        return std::uniform_real_distribution<double>(0, 1)(azar) < q;
    };
    const QString b = Conexion::identificador(base);

    QVector<double> porVender(p.productos + 1, 0.0);
    QVector<double> precios(p.productos + 1, 0.0);
    for (int i = 1; i <= p.productos; ++i)
        precios[i] = entre(100, 90000) / 100.0;

    {
        InsercionPorLotes cli(c,
                              QStringLiteral("INSERT INTO %1.clientes (Clave,Nombre,Atencion,"
                                             "Domicilio,Colonia,CP,Ciudad,Estado,RFC,Telefono1,"
                                             "Telefono2,Telefono3,Telefono4,FechaRegistro,UltVta,"
                                             "Precio,Email) VALUES ")
                                  .arg(b)
                                  .toUtf8());
        for (int i = 1; i <= p.clientes; ++i) {
            const QString nombre =
                QStringLiteral("%1 %2").arg(QString::fromUtf8(nombres[i % 8])).arg(i);
            cli.fila({clave('C', i), nombre, QStringLiteral("Sr. Gómez %1").arg(i),
                      QStringLiteral("Av. Juárez %1").arg(entre(1, 999)), QStringLiteral("Centro"),
                      QString::number(entre(10000, 99999)), QString::fromUtf8(ciudades[i % 6]),
                      QStringLiteral("Nuevo León"), QStringLiteral("XAXX010101000"),
                      QStringLiteral("81-%1").arg(entre(1000000, 9999999)),
                      QStringLiteral("81-%1").arg(entre(1000000, 9999999)), QString(), QString(),
                      p.desde.addDays(-entre(1, 900)), p.desde.addDays(-entre(0, 30)), entre(1, 5),
                      QStringLiteral("cliente%1@ejemplo.mx").arg(i)});
        }
    }

    const char* const series[] = {"", "A", "B"};
    int folios[3] = {0, 0, 0};
    const int dias = std::max<qint64>(0, p.desde.daysTo(p.hasta));
    {
        InsercionPorLotes ped(c, QStringLiteral("INSERT INTO %1.pedidos VALUES ").arg(b).toUtf8());
        InsercionPorLotes det(
            c, QStringLiteral("INSERT INTO %1.pedidosdetalle VALUES ").arg(b).toUtf8());
        for (int id = 1; id <= p.pedidos; ++id) {
            const int s = entre(0, 2);
            const int folio = ++folios[s];
            const int numCliente = entre(1, p.clientes);
            const bool sinCliente = probabilidad(p.sinCliente);
            const QString cliente = sinCliente ? clave('X', numCliente) : clave('C', numCliente);
            const QDate fecha = p.desde.addDays(dias ? entre(0, dias) : 0);
            double subtotal = 0;
            for (int r = 1; r <= p.renglones; ++r) {
                const int prod = entre(1, p.productos);
                const double cantidad = entre(1, 40);
                const double pendiente = probabilidad(p.pendientes) ? cantidad : 0;
                porVender[prod] += pendiente;
                subtotal += cantidad * precios[prod];
                det.fila({id,
                          r,
                          clave('P', prod),
                          QStringLiteral("%1 núm. %2")
                              .arg(QString::fromUtf8(articulos[prod % 10]))
                              .arg(prod),
                          QString::number(cantidad, 'f', 4),
                          QString::number(precios[prod], 'f', 4),
                          QString::number(precios[prod], 'f', 4),
                          QString(),
                          0,
                          0,
                          0,
                          QStringLiteral("MN"),
                          16,
                          0,
                          1,
                          QString::number(cantidad - pendiente, 'f', 4),
                          QString::number(pendiente, 'f', 4),
                          0,
                          0,
                          r == 1 ? QStringLiteral("Entregar en almacén") : QString(),
                          QString(),
                          QStringLiteral("ALM%1").arg(numero),
                          fecha.addDays(3)});
            }
            const double iva = subtotal * 0.16;
            ped.fila({id,
                      folio,
                      QString::fromLatin1(series[s]),
                      cliente,
                      fecha,
                      fecha.addDays(30),
                      QStringLiteral("%1 %2")
                          .arg(QString::fromUtf8(nombres[numCliente % 8]))
                          .arg(numCliente),
                      QStringLiteral("81-%1").arg(entre(1000000, 9999999)),
                      QStringLiteral("Calle %1 núm. %2").arg(entre(1, 99)).arg(entre(1, 999)),
                      QString::number(entre(10000, 99999)),
                      QStringLiteral("Centro"),
                      QString::fromUtf8(ciudades[numCliente % 6]),
                      QStringLiteral("Nuevo León"),
                      QStringLiteral("XAXX010101000"),
                      0,
                      dinero(subtotal),
                      dinero(iva),
                      dinero(0),
                      0,
                      0,
                      0,
                      QStringLiteral("Nota 1 del pedido %1").arg(id),
                      QString(),
                      QString(),
                      QString(),
                      QString(),
                      QStringLiteral("Pedido de demostración"),
                      QStringLiteral("MN"),
                      1,
                      QStringLiteral("V%1").arg(entre(1, 9)),
                      dinero(entre(0, 5)),
                      QStringLiteral("admin"),
                      0,
                      0,
                      0,
                      QDateTime(fecha, QTime(9, 30, 0)),
                      QStringLiteral("SUC%1").arg(numero)});
        }
    }

    {
        InsercionPorLotes pro(c,
                              QStringLiteral("INSERT INTO %1.productos VALUES ").arg(b).toUtf8());
        for (int i = 1; i <= p.productos; ++i)
            pro.fila({clave('P', i),
                      QStringLiteral("%1 núm. %2").arg(QString::fromUtf8(articulos[i % 10])).arg(i),
                      entre(0, 500), QString::number(porVender[i], 'f', 4),
                      QString::number(precios[i], 'f', 4)});
    }

    c.ejecuta(QStringLiteral("INSERT INTO %1.sistema (Dato, Contenido) VALUES "
                             "('PE-', ?), ('PE-A', ?), ('PE-B', ?), "
                             "('PE+A-A', 'Sí'), ('PE+A-B', 'Sí')")
                  .arg(b),
              {folios[0], folios[1], folios[2]});
    c.ejecuta(
        QStringLiteral("INSERT INTO %1.configura (Dato, Contenido) VALUES ('SeriesEnPed', '1')")
            .arg(b));
}

QStringList generaDemo(Conexion& conexion, const Parametros& p) {
    creaGeneral(conexion);
    QStringList bases;
    for (int i = 1; i <= p.empresas + 1; ++i) {
        const QString base = QStringLiteral("%1%2").arg(p.prefijo).arg(i);
        creaBaseEmpresa(conexion, base);
        registraEmpresa(conexion, base, QStringLiteral("Empresa de demostración %1").arg(i));
        // The current company starts with no pending orders of its own to bring in.
        Parametros q = p;
        if (i == 1)
            q.pedidos = std::max(1, p.pedidos / 4);
        llenaEmpresa(conexion, base, q, i);
        bases << base;
    }
    return bases;
}

} // namespace demo
