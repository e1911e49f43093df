#include "journal/ResumenPedido.h"

#include "data/Sha256.h"
#include "shell/host/Conexion.h"
#include "shell/host/ListaIds.h"
#include "shell/host/Recordset.h"

#include <QSet>
#include <algorithm>

namespace bitacora {

namespace {

enum class Clase { Texto, Numero, Fecha };

constexpr Clase clasesEncabezado[] = {Clase::Texto, Clase::Numero, Clase::Texto,
                                      Clase::Fecha, Clase::Numero, Clase::Numero};
constexpr Clase clasesRenglon[] = {Clase::Numero, Clase::Texto, Clase::Numero, Clase::Numero,
                                   Clase::Numero};

// "0012.500" and "12.5" are one number; "-0.00" is "0".
void agregaNumero(QByteArray& salida, QByteArrayView v) {
    v = v.trimmed();
    bool negativo = false;
    if (!v.isEmpty() && (v.front() == '-' || v.front() == '+')) {
        negativo = v.front() == '-';
        v = v.sliced(1);
    }
    const qsizetype punto = v.indexOf('.');
    QByteArrayView entera = punto < 0 ? v : v.first(punto);
    QByteArrayView fraccion = punto < 0 ? QByteArrayView() : v.sliced(punto + 1);
    while (entera.size() > 1 && entera.front() == '0')
        entera = entera.sliced(1);
    while (!fraccion.isEmpty() && fraccion.back() == '0')
        fraccion.chop(1);
    const bool cero = (entera.isEmpty() || entera == "0") && fraccion.isEmpty();
    if (negativo && !cero)
        salida += '-';
    salida += entera.isEmpty() ? QByteArrayView("0") : entera;
    if (!fraccion.isEmpty()) {
        salida += '.';
        salida += fraccion;
    }
}

void agrega(QByteArray& salida, Clase clase, QByteArrayView valor, bool nulo) {
    if (nulo) {
        salida += '\x01';
    } else if (clase == Clase::Numero) {
        agregaNumero(salida, valor);
    } else if (clase == Clase::Fecha) {
        salida += valor.first(std::min<qsizetype>(valor.size(), 10));
    } else {
        salida += QByteArray::number(valor.size());
        salida += ':';
        salida += valor;
    }
    salida += '\x1f';
}

// Orders per statement when reading them back.
constexpr std::size_t porConsulta = 2000;

// The columns of a table, as its first (empty) result names them.
QSet<QString> columnasDe(host::Conexion& conexion, const QString& tabla) {
    QSet<QString> nombres;
    auto rs = conexion.consulta(QStringLiteral("SELECT * FROM %1 WHERE 0").arg(tabla));
    for (const auto& c : rs->listaColumnas())
        nombres.insert(c.nombre.toLower());
    return nombres;
}

// The select list of the digest's columns, NULL for those the table lacks.
QString lista(const QStringList& columnas, const QSet<QString>& hay, const char* alias) {
    QStringList partes;
    for (const QString& c : columnas)
        partes << (hay.contains(c.toLower())
                       ? QLatin1String(alias) + host::Conexion::identificador(c)
                       : QStringLiteral("NULL"));
    return partes.join(QLatin1Char(','));
}

} // namespace

const QStringList& ResumenPedido::columnasEncabezado() {
    static const QStringList c = {QStringLiteral("Serie"),    QStringLiteral("Factura"),
                                  QStringLiteral("Cliente"),  QStringLiteral("Fecha"),
                                  QStringLiteral("Subtotal"), QStringLiteral("IVA")};
    return c;
}

const QStringList& ResumenPedido::columnasRenglon() {
    static const QStringList c = {QStringLiteral("Partida"), QStringLiteral("Producto"),
                                  QStringLiteral("Cantidad"), QStringLiteral("Pedido"),
                                  QStringLiteral("Facturado")};
    return c;
}

ResumenPedido::ResumenPedido() {
    encabezado_.reserve(96);
}

void ResumenPedido::encabezado(QByteArrayView valor, bool nulo) {
    agrega(encabezado_, clasesEncabezado[columna_ % 6], valor, nulo);
    ++columna_;
}

void ResumenPedido::renglon(const QByteArrayView* valores, const bool* nulos) {
    QByteArray texto;
    texto.reserve(64);
    for (int k = 0; k < 5; ++k)
        agrega(texto, clasesRenglon[k], valores[k], nulos[k]);
    renglones_.push_back(std::move(texto));
}

QString ResumenPedido::texto() const {
    std::vector<QByteArray> renglones = renglones_;
    transferencia::Sha256 sha;
    return suma(renglones, sha);
}

QString ResumenPedido::suma(std::vector<QByteArray>& renglones, transferencia::Sha256& sha) const {
    std::sort(renglones.begin(), renglones.end());
    sha.agrega(encabezado_);
    sha.agrega(QByteArray::number(qint64(renglones.size())) + '\x1e');
    for (const QByteArray& r : renglones) {
        sha.agrega(r);
        sha.agrega("\x1e");
    }
    return QString::fromLatin1(sha.reinicia().toHex());
}

QHash<qint64, QString> ResumenPedido::lee(host::Conexion& conexion, const QString& base,
                                          const std::vector<qint64>& ids, bool bloquea) {
    if (ids.empty())
        return {};
    return Lector(conexion, base).lee(ids, bloquea);
}

ResumenPedido::Lector::Lector(host::Conexion& conexion, const QString& base)
    : conexion_(conexion),
      pedidos_(host::Conexion::identificador(base) + QStringLiteral(".pedidos")),
      detalle_(host::Conexion::identificador(base) + QStringLiteral(".pedidosdetalle")) {
    encabezado_ = lista(columnasEncabezado(), columnasDe(conexion, pedidos_), "p.");
    renglon_ = lista(columnasRenglon(), columnasDe(conexion, detalle_), "d.");
}

QHash<qint64, QString> ResumenPedido::Lector::lee(const std::vector<qint64>& ids, bool bloquea,
                                                  QHash<qint64, qint64>* renglones) {
    QHash<qint64, QString> salida;
    salida.reserve(qsizetype(ids.size()));
    const QString cerrojo = bloquea ? QStringLiteral(" FOR UPDATE") : QString();
    // One context for every digest of the read: making one costs more than a digest.
    transferencia::Sha256 sha;
    for (std::size_t inicio = 0; inicio < ids.size(); inicio += porConsulta) {
        const std::vector<qint64> parte(ids.begin() + qsizetype(inicio),
                                        ids.begin() +
                                            qsizetype(std::min(ids.size(), inicio + porConsulta)));
        // Each order with its lines in one read; an order without lines comes once, its line
        // columns NULL (d.Id NULL tells it from a line of NULLs).
        QHash<qint64, ResumenPedido> resumenes;
        resumenes.reserve(qsizetype(parte.size()));
        auto rs = conexion_.consulta(
            QStringLiteral("SELECT p.Id,%1,d.Id,%2 FROM %3 p LEFT JOIN %4 d ON d.Id=p.Id WHERE "
                           "%5%6")
                .arg(encabezado_, renglon_, pedidos_, detalle_, host::condicionIds(u"p.Id", parte),
                     cerrojo));
        for (; !rs->eof(); rs->MoveNext()) {
            auto r = resumenes.find(rs->entero(0));
            if (r == resumenes.end()) {
                r = resumenes.insert(rs->entero(0), ResumenPedido());
                for (int k = 1; k <= 6; ++k)
                    r->encabezado(rs->vista(k), rs->esNulo(k));
            }
            if (rs->esNulo(7))
                continue;
            QByteArrayView valores[5];
            bool nulos[5];
            for (int k = 0; k < 5; ++k) {
                valores[k] = rs->vista(k + 8);
                nulos[k] = rs->esNulo(k + 8);
            }
            r->renglon(valores, nulos);
        }
        for (auto r = resumenes.begin(); r != resumenes.end(); ++r) {
            // Each digest is taken once: its lines are sorted where they are.
            salida.insert(r.key(), r->suma(r->renglones_, sha));
            if (renglones)
                renglones->insert(r.key(), qint64(r->renglones_.size()));
        }
    }
    return salida;
}

} // namespace bitacora
