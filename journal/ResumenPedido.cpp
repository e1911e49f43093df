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
QString lista(const QStringList& columnas, const QSet<QString>& hay) {
    QStringList partes;
    for (const QString& c : columnas)
        partes << (hay.contains(c.toLower()) ? host::Conexion::identificador(c)
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
    std::sort(renglones.begin(), renglones.end());
    transferencia::Sha256 sha;
    sha.agrega(encabezado_);
    sha.agrega(QByteArray::number(qint64(renglones.size())) + '\x1e');
    for (const QByteArray& r : renglones) {
        sha.agrega(r);
        sha.agrega("\x1e");
    }
    return QString::fromLatin1(sha.resultado().toHex());
}

QHash<qint64, QString> ResumenPedido::lee(host::Conexion& conexion, const QString& base,
                                          const std::vector<qint64>& ids, bool bloquea) {
    QHash<qint64, QString> salida;
    if (ids.empty())
        return salida;
    const QString pedidos = host::Conexion::identificador(base) + QStringLiteral(".pedidos");
    const QString detalle = host::Conexion::identificador(base) + QStringLiteral(".pedidosdetalle");
    const QString encabezado = lista(columnasEncabezado(), columnasDe(conexion, pedidos));
    const QString renglon = lista(columnasRenglon(), columnasDe(conexion, detalle));
    const QString cerrojo = bloquea ? QStringLiteral(" FOR UPDATE") : QString();
    for (std::size_t inicio = 0; inicio < ids.size(); inicio += porConsulta) {
        const std::vector<qint64> parte(ids.begin() + qsizetype(inicio),
                                        ids.begin() +
                                            qsizetype(std::min(ids.size(), inicio + porConsulta)));
        const QString enLista = host::listaIds(parte);
        QHash<qint64, ResumenPedido> resumenes;
        auto re = conexion.consulta(QStringLiteral("SELECT Id,%1 FROM %2 WHERE Id IN (%3)%4")
                                        .arg(encabezado, pedidos, enLista, cerrojo));
        for (; !re->eof(); re->MoveNext()) {
            ResumenPedido& r = resumenes[re->entero(0)];
            for (int k = 1; k <= 6; ++k)
                r.encabezado(re->vista(k), re->esNulo(k));
        }
        re.reset();
        auto rl = conexion.consulta(QStringLiteral("SELECT Id,%1 FROM %2 WHERE Id IN (%3)%4")
                                        .arg(renglon, detalle, enLista, cerrojo));
        for (; !rl->eof(); rl->MoveNext()) {
            const auto r = resumenes.find(rl->entero(0));
            if (r == resumenes.end())
                continue; // lines without their header: the order is gone
            QByteArrayView valores[5];
            bool nulos[5];
            for (int k = 0; k < 5; ++k) {
                valores[k] = rl->vista(k + 1);
                nulos[k] = rl->esNulo(k + 1);
            }
            r->renglon(valores, nulos);
        }
        for (auto r = resumenes.cbegin(); r != resumenes.cend(); ++r)
            salida.insert(r.key(), r->texto());
    }
    return salida;
}

} // namespace bitacora
