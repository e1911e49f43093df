#include "export/Exportacion.h"

#include "data/ErrorTransferencia.h"
#include "data/EscritorTransferencia.h"
#include "data/FormatoTransferencia.h"
#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

#include <QDir>
#include <QSaveFile>
#include <QSet>

using host::ClaseCampo;
using host::Recordset;
using transferencia::EscritorTransferencia;

namespace exportacion {

namespace {

// Orders per pair of queries: few round trips, and memory that does not grow with the file.
constexpr int pedidosPorTanda = 1000;

// Positions in the header query: the Id, the 34 order fields, then the customer's key and
// its 5 fields.
constexpr int posId = 0;
constexpr int posPrimerCampo = 1;
constexpr int posClaveCliente = 35;
constexpr int posPrimerCliente = 36;

QString listaColumnas(const QString& alias, const QStringList& columnas) {
    QStringList salida;
    for (const QString& c : columnas)
        salida << alias + host::Conexion::identificador(c);
    return salida.join(QLatin1Char(','));
}

QString consultaEncabezados(int n) {
    static const QString columnas =
        QStringLiteral("p.Id,") +
        listaColumnas(QStringLiteral("p."), transferencia::columnasEncabezado()) +
        QStringLiteral(",c.Clave,") +
        listaColumnas(QStringLiteral("c."), transferencia::columnasCliente());
    const QString marcas = QStringLiteral("?,").repeated(n).chopped(1);
    return QStringLiteral("SELECT %1 FROM pedidos p LEFT JOIN clientes c ON c.Clave=p.Cliente "
                          "WHERE p.Id IN (%2) ORDER BY FIELD(p.Id,%2)")
        .arg(columnas, marcas);
}

QString consultaRenglones(int n) {
    static const QString columnas =
        QStringLiteral("Id,") + listaColumnas(QString(), transferencia::columnasRenglon());
    const QString marcas = QStringLiteral("?,").repeated(n).chopped(1);
    return QStringLiteral("SELECT %1 FROM pedidosdetalle WHERE Id IN (%2) "
                          "ORDER BY FIELD(Id,%2),Partida")
        .arg(columnas, marcas);
}

// One value after its column's kind; gives how many characters did not fit the code page.
int escribeValor(EscritorTransferencia& w, const Recordset& rs, int pos) {
    if (rs.esNulo(pos)) {
        w.nulo();
        return 0;
    }
    const QByteArray crudo = rs.crudo(pos);
    switch (rs.columna(pos).clase) {
    case ClaseCampo::Entero:
    case ClaseCampo::Decimal:
        w.numero(crudo);
        return 0;
    case ClaseCampo::Logico:
        w.logico(crudo.toLongLong() != 0);
        return 0;
    case ClaseCampo::Fecha:
        w.numero("#" + crudo.left(10) + "#");
        return 0;
    case ClaseCampo::FechaHora:
        w.numero("#" + (crudo.endsWith(" 00:00:00") ? crudo.left(10) : crudo) + "#");
        return 0;
    default:
        return w.textoUtf8(crudo);
    }
}

// The header's two dates are written as "dd/mmm/yyyy" texts.
void escribeFechaTexto(EscritorTransferencia& w, const Recordset& rs, int pos) {
    const QDate f = rs.esNulo(pos) ? QDate() : rs.fecha(pos);
    if (f.isValid())
        w.fechaTexto(f);
    else
        w.nulo();
}

class Escritura {
public:
    Escritura(host::Conexion& c, EscritorTransferencia& w, ResultadoExportacion& r)
        : c_(c), w_(w), r_(r) {}

    // Writes one batch of distinct Ids, in their order.
    void tanda(const QVector<qint64>& ids, const transferencia::Avance& avance, qint64& hechos,
               qint64 total) {
        QVariantList valores;
        for (qint64 id : ids)
            valores << id;
        const QVariantList dobles = valores + valores;
        auto enc = c_.consulta(consultaEncabezados(int(ids.size())), dobles);
        auto ren = c_.consulta(consultaRenglones(int(ids.size())), dobles);
        for (qint64 id : ids) {
            if (avance.cancelado())
                throw Cancelado();
            const bool existe = !enc->eof() && enc->entero(posId) == id;
            if (existe) {
                encabezado(*enc);
                enc->MoveNext();
            } else {
                ++r_.omitidos;
            }
            // Lines of an order that no longer exists are passed over with it.
            for (; !ren->eof() && ren->entero(0) == id; ren->MoveNext())
                if (existe)
                    renglon(*ren);
            avance.informa(++hechos, total);
        }
    }

    struct Cancelado {};

private:
    void aviso(int fuera, const QString& donde, const QString& campo) {
        if (fuera > 0)
            r_.avisos << QStringLiteral("%1, campo %2: %3 carácter(es) que el archivo no admite "
                                        "se escribieron como \"?\".")
                             .arg(donde, campo)
                             .arg(fuera);
    }

    void encabezado(const Recordset& rs) {
        const QString serie = rs.texto(posPrimerCampo + 1).trimmed();
        pedido_ = QStringLiteral("Pedido %1%2 (Id %3)")
                      .arg(serie.isEmpty() ? QString() : serie + QLatin1Char('-'),
                           rs.texto(posPrimerCampo), rs.texto(posId));
        w_.texto(u"M");
        const QStringList& nombres = transferencia::columnasEncabezado();
        for (int i = 0; i < nombres.size(); ++i) {
            const int pos = posPrimerCampo + i;
            if (i == 3 || i == 4)
                escribeFechaTexto(w_, rs, pos);
            else
                aviso(escribeValor(w_, rs, pos), pedido_, nombres[i]);
        }
        const QStringList& cliente = transferencia::columnasCliente();
        if (rs.esNulo(posClaveCliente)) {
            // No such customer: empty texts and price list 1.
            for (int i = 0; i < 4; ++i)
                w_.texto(u"");
            w_.entero(1);
        } else {
            for (int i = 0; i < cliente.size(); ++i)
                aviso(escribeValor(w_, rs, posPrimerCliente + i), pedido_, cliente[i]);
        }
        w_.finRegistro();
        ++r_.pedidos;
    }

    void renglon(const Recordset& rs) {
        w_.texto(u"D");
        const QStringList& nombres = transferencia::columnasRenglon();
        for (int i = 0; i < nombres.size(); ++i) {
            const int fuera = escribeValor(w_, rs, i + 1);
            if (fuera > 0)
                aviso(fuera, QStringLiteral("%1, renglón %2").arg(pedido_, rs.texto(1)),
                      nombres[i]);
        }
        w_.finRegistro();
        ++r_.renglones;
    }

    host::Conexion& c_;
    EscritorTransferencia& w_;
    ResultadoExportacion& r_;
    QString pedido_;
};

} // namespace

ResultadoExportacion EscribeArchivo(host::Conexion& conexion, const QVector<qint64>& ids,
                                    const QString& nombre, const QString& carpetaPrograma,
                                    const transferencia::Avance& avance) {
    ResultadoExportacion r;
    const QString archivo = transferencia::nombreArchivo(nombre);
    if (archivo.isEmpty()) {
        r.mensaje = QStringLiteral("Falta el nombre del archivo.");
        return r;
    }
    r.archivo = QDir::cleanPath(QDir(carpetaPrograma).absoluteFilePath(archivo));
    QSaveFile salida(r.archivo);
    if (!salida.open(QIODevice::WriteOnly)) {
        r.mensaje = QStringLiteral("No se pudo crear el archivo %1: %2")
                        .arg(QDir::toNativeSeparators(r.archivo), salida.errorString());
        return r;
    }
    try {
        EscritorTransferencia w(salida);
        Escritura escritura(conexion, w, r);
        qint64 hechos = 0;
        QVector<qint64> tanda;
        QSet<qint64> enTanda;
        for (qint64 id : ids) {
            // A batch holds each Id once; a repeated Id starts the next batch.
            if (tanda.size() == pedidosPorTanda || enTanda.contains(id)) {
                escritura.tanda(tanda, avance, hechos, ids.size());
                tanda.clear();
                enTanda.clear();
            }
            tanda << id;
            enTanda.insert(id);
        }
        if (!tanda.isEmpty())
            escritura.tanda(tanda, avance, hechos, ids.size());
        w.termina();
    } catch (const Escritura::Cancelado&) {
        salida.cancelWriting();
        r.cancelado = true;
        r.mensaje = QStringLiteral("Se canceló la exportación; no se escribió el archivo.");
        return r;
    } catch (const transferencia::ErrorTransferencia& e) {
        salida.cancelWriting();
        r.mensaje = QStringLiteral("No se escribió el archivo %1. %2")
                        .arg(QDir::toNativeSeparators(r.archivo), e.mensaje());
        return r;
    } catch (const host::ErrorBdD& e) {
        salida.cancelWriting();
        r.mensaje = QStringLiteral("No se escribió el archivo %1: falló la lectura de los "
                                   "pedidos.\n%2")
                        .arg(QDir::toNativeSeparators(r.archivo), e.mensaje());
        return r;
    }
    if (!salida.commit()) {
        r.mensaje = QStringLiteral("No se pudo terminar de escribir el archivo %1: %2")
                        .arg(QDir::toNativeSeparators(r.archivo), salida.errorString());
        return r;
    }
    r.ok = true;
    r.mensaje = QStringLiteral("Se escribieron %1 pedidos con %2 renglones en el archivo %3.")
                    .arg(r.pedidos)
                    .arg(r.renglones)
                    .arg(QDir::toNativeSeparators(r.archivo));
    if (r.omitidos > 0)
        r.avisos.prepend(QStringLiteral("%1 pedido(s) marcados ya no existen y no se escribieron.")
                             .arg(r.omitidos));
    return r;
}

} // namespace exportacion
