#include "accumulation/ConsultasAcumulacion.h"
#include "accumulation/clsAcumular.h"
#include "journal/AvisoBitacora.h"
#include "shell/Comandos.h"
#include "shell/host/Fechas.h"

#include <QHash>
#include <limits>

namespace comandos {

namespace {

// The options of a command: "--name value" or "--name=value". "--ini FILE" belongs to
// start-up and is let through.
class Opciones {
public:
    Opciones(const QStringList& argumentos, const QStringList& permitidas) {
        for (qsizetype i = 0; i < argumentos.size() && error_.isEmpty(); ++i) {
            const QString& a = argumentos[i];
            if (!a.startsWith(QLatin1String("--"))) {
                error_ = QStringLiteral("Argumento no esperado: \"%1\".").arg(a);
                break;
            }
            QString nombre = a.mid(2);
            QString valor;
            const qsizetype igual = nombre.indexOf(QLatin1Char('='));
            if (igual >= 0) {
                valor = nombre.mid(igual + 1);
                nombre.truncate(igual);
            } else if (i + 1 < argumentos.size()) {
                valor = argumentos[++i];
            } else {
                error_ = QStringLiteral("Falta el valor de la opción --%1.").arg(nombre);
                break;
            }
            if (nombre == QLatin1String("ini"))
                continue;
            if (!permitidas.contains(nombre))
                error_ = QStringLiteral("Opción desconocida: --%1.").arg(nombre);
            valores_.insert(nombre, valor);
        }
    }

    const QString& error() const { return error_; }
    bool tiene(const QString& nombre) const { return valores_.contains(nombre); }
    QString valor(const QString& nombre) const { return valores_.value(nombre); }

    QDate fecha(const QString& nombre) {
        if (!error_.isEmpty())
            return {};
        if (!tiene(nombre)) {
            error_ = QStringLiteral("Falta la opción --%1 FECHA.").arg(nombre);
            return {};
        }
        const QDate f = host::Fechas::deTextoCorto(valor(nombre));
        if (!f.isValid())
            error_ = QStringLiteral("La fecha \"%1\" de --%2 no es válida; escríbala como "
                                    "dd/mm/aaaa o aaaa-mm-dd.")
                         .arg(valor(nombre), nombre);
        return f;
    }

    qint32 folio() {
        if (!error_.isEmpty())
            return 0;
        if (!tiene(QStringLiteral("folio"))) {
            error_ = QStringLiteral("Falta la opción --folio N.");
            return 0;
        }
        bool ok = false;
        const qint64 n = valor(QStringLiteral("folio")).trimmed().toLongLong(&ok);
        if (!ok || n < 0 || n > std::numeric_limits<qint32>::max()) {
            error_ = QStringLiteral("El folio \"%1\" no es un número entero entre 0 y %2.")
                         .arg(valor(QStringLiteral("folio")))
                         .arg(std::numeric_limits<qint32>::max());
            return 0;
        }
        return qint32(n);
    }

private:
    QHash<QString, QString> valores_;
    QString error_;
};

int falla(QTextStream& errores, const QString& mensaje) {
    errores << mensaje << Qt::endl;
    return 1;
}

// The companies a run left out, one line each; they do not change the exit status.
void avisaOmitidas(QTextStream& errores, const acumulacion::Resultado& r) {
    for (const acumulacion::EmpresaOmitida& o : r.omitidas)
        errores
            << QStringLiteral("Aviso: se omitió la empresa \"%1\": %2.").arg(o.empresa, o.motivo)
            << Qt::endl;
}

} // namespace

int buscar(Programa& programa, const QStringList& argumentos, QTextStream& salida,
           QTextStream& errores) {
    Opciones opciones(argumentos, {QStringLiteral("desde"), QStringLiteral("hasta")});
    const QDate desde = opciones.fecha(QStringLiteral("desde"));
    const QDate hasta = opciones.fecha(QStringLiteral("hasta"));
    if (!opciones.error().isEmpty())
        return falla(errores, opciones.error());

    acumulacion::Retrollamadas avisos;
    avisos.renglon = [&](const QString& renglon) { salida << renglon << Qt::endl; };
    const auto r = acumulacion::clsAcumular(*programa.bases).BuscarPedidos(desde, hasta, avisos);
    avisaOmitidas(errores, r);
    return r.ok ? 0 : falla(errores, r.mensaje);
}

int acumular(Programa& programa, const QStringList& argumentos, QTextStream& salida,
             QTextStream& errores) {
    Opciones opciones(argumentos, {QStringLiteral("desde"), QStringLiteral("hasta"),
                                   QStringLiteral("folio"), QStringLiteral("serie")});
    const QDate desde = opciones.fecha(QStringLiteral("desde"));
    const QDate hasta = opciones.fecha(QStringLiteral("hasta"));
    const qint32 folio = opciones.folio();
    if (!opciones.error().isEmpty())
        return falla(errores, opciones.error());

    QString serie = opciones.valor(QStringLiteral("serie")).trimmed();
    if (!opciones.tiene(QStringLiteral("serie"))) {
        // The series the accumulation tab would have selected.
        try {
            auto conexion = programa.bases->abre(programa.bases->cMiBase);
            serie = acumulacion::SerieInicial(*conexion);
        } catch (const host::ErrorBdD& e) {
            return falla(errores, e.mensaje());
        }
    }

    acumulacion::Retrollamadas avisos;
    avisos.folio = [&](const acumulacion::FolioDado& d) {
        salida << QStringLiteral("Folio ") << acumulacion::textoPedido(d.serie, d.folio)
               << QStringLiteral(": pedido ") << d.pedidoOrigen << QStringLiteral(" de ") << d.base
               << Qt::endl;
    };
    const auto r =
        acumulacion::clsAcumular(*programa.bases).GeneraPedido(desde, hasta, serie, folio, avisos);
    bitacora::avisaSinBitacora(errores, r.avisoBitacora);
    avisaOmitidas(errores, r);
    if (!r.ok)
        return falla(errores, r.mensaje);
    salida << r.mensaje << Qt::endl;
    return 0;
}

} // namespace comandos
