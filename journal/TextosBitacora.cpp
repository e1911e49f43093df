#include "journal/TextosBitacora.h"

#include "shell/host/Fechas.h"

#include <QStringList>

namespace bitacora {

namespace {

// How the tables hold the operation and the outcome: plain words that stay the same
// whatever the program shows; beside them, what the program shows.
template <typename Valor> struct Codigo {
    Valor valor;
    const char* texto;
    const char* nombre;
};
constexpr Codigo<Operacion> codigosOperacion[] = {
    {Operacion::Acumulacion, "acumulacion", "Acumulación"},
    {Operacion::Exportacion, "exportacion", "Exportación"},
    {Operacion::Importacion, "importacion", "Importación"},
    {Operacion::Deshacer, "deshacer", "Deshacer"}};
constexpr Codigo<EstadoCorrida> codigosDesenlace[] = {
    {EstadoCorrida::EnCurso, "encurso", "En curso"},
    {EstadoCorrida::Hecho, "hecha", "Hecha"},
    {EstadoCorrida::Fallido, "fallida", "Falló"},
    {EstadoCorrida::Cancelado, "cancelada", "Cancelada"}};

template <typename Valor, std::size_t N>
const Codigo<Valor>* codigoDe(const Codigo<Valor> (&codigos)[N], Valor v) {
    for (const Codigo<Valor>& c : codigos)
        if (c.valor == v)
            return &c;
    return nullptr;
}

template <typename Valor, std::size_t N>
std::optional<Valor> valorEn(const Codigo<Valor> (&codigos)[N], const QString& texto) {
    for (const Codigo<Valor>& c : codigos)
        if (texto == QLatin1String(c.texto))
            return c.valor;
    return std::nullopt;
}

} // namespace

QString codigo(Operacion o) {
    const auto* c = codigoDe(codigosOperacion, o);
    return QLatin1String(c ? c->texto : "");
}
QString codigo(EstadoCorrida d) {
    const auto* c = codigoDe(codigosDesenlace, d);
    return QLatin1String(c ? c->texto : "");
}

Operacion operacionDe(const QString& c) {
    return valorEn(codigosOperacion, c).value_or(Operacion::Acumulacion);
}
EstadoCorrida estadoDe(const QString& c) {
    return valorEn(codigosDesenlace, c).value_or(EstadoCorrida::EnCurso);
}

std::optional<Operacion> operacionDeCodigo(const QString& codigo) {
    return valorEn(codigosOperacion, codigo);
}

QString texto(Operacion operacion) {
    const auto* c = codigoDe(codigosOperacion, operacion);
    return c ? QString::fromUtf8(c->nombre) : QString();
}

QString textoDesenlace(const Corrida& corrida) {
    if (corrida.interrumpida)
        return QStringLiteral("Interrumpida");
    if (corrida.deshechaPor > 0)
        return (corrida.deshechos >= corrida.cuentas.pedidos
                    ? QStringLiteral("Deshecha")
                    : QStringLiteral("Deshecha en parte")) +
               QStringLiteral(" (corrida %1)").arg(corrida.deshechaPor);
    const auto* c = codigoDe(codigosDesenlace, corrida.desenlace);
    return c ? QString::fromUtf8(c->nombre) : QString();
}

QString juntaAvisos(const QString& aviso, const QString& otro) {
    if (aviso.isEmpty() || otro.isEmpty())
        return aviso + otro;
    return aviso + QLatin1Char('\n') + otro;
}

QString Parametros::texto() const {
    QStringList partes;
    if (desde && hasta)
        partes << QStringLiteral("del %1 al %2")
                      .arg(host::Fechas::aTextoCorto(*desde), host::Fechas::aTextoCorto(*hasta));
    else if (desde)
        partes << QStringLiteral("desde el %1").arg(host::Fechas::aTextoCorto(*desde));
    else if (hasta)
        partes << QStringLiteral("hasta el %1").arg(host::Fechas::aTextoCorto(*hasta));
    if (serie)
        partes << (serie->isEmpty() ? QStringLiteral("serie sin nombre")
                                    : QStringLiteral("serie %1").arg(*serie));
    if (primerFolio)
        partes << QStringLiteral("desde el folio %1").arg(*primerFolio);
    if (!archivo.isEmpty())
        partes << QStringLiteral("archivo %1").arg(archivo);
    if (!destino.isEmpty())
        partes << QStringLiteral("destino %1").arg(destino);
    if (deshace)
        partes << QStringLiteral("deshace la corrida %1").arg(*deshace);
    QString t = partes.join(QStringLiteral(", "));
    if (!t.isEmpty())
        t[0] = t[0].toUpper();
    return t;
}

std::optional<Operacion> operacionDeTexto(const QString& texto) {
    QString t = texto.trimmed().toLower();
    t.replace(QChar(u'ó'), QLatin1Char('o'));
    return operacionDeCodigo(t);
}

QString textoMomento(const QDateTime& momento) {
    if (!momento.isValid())
        return {};
    return host::Fechas::aTextoCorto(momento.date()) + QLatin1Char(' ') +
           momento.time().toString(QStringLiteral("HH:mm:ss"));
}

QString textoUsuarios(const Corrida& corrida) {
    QString texto =
        corrida.usuarioSistema.isEmpty() ? QStringLiteral("(sin usuario)") : corrida.usuarioSistema;
    if (!corrida.equipo.isEmpty())
        texto += QStringLiteral(" en ") + corrida.equipo;
    if (!corrida.usuarioBdD.isEmpty())
        texto += QStringLiteral(" (base de datos: %1)").arg(corrida.usuarioBdD);
    return texto;
}

QString textoOrigen(const PedidoAnotado& p) {
    QStringList partes;
    if (!p.pedidoOrigen.isEmpty() || p.idOrigen != 0) {
        QString pedido = QStringLiteral("Pedido ") + p.pedidoOrigen;
        if (p.idOrigen != 0)
            pedido += QStringLiteral(" (Id %1)").arg(p.idOrigen);
        if (!p.baseOrigen.isEmpty())
            pedido += QStringLiteral(" de ") + p.baseOrigen;
        partes << pedido.simplified();
    }
    // An import's order is known by where it stands in its file.
    if (p.linea > 0) {
        QString linea = QStringLiteral("Línea %1 de %2").arg(p.linea).arg(p.archivo);
        if (!p.huella.isEmpty())
            linea += QStringLiteral(" (huella %1…)").arg(p.huella.left(12));
        partes << linea;
    }
    return partes.join(QStringLiteral(", "));
}

QString textoDestino(const PedidoAnotado& p) {
    if (p.idNuevo != 0 || !p.pedidoNuevo.isEmpty())
        return QStringLiteral("%1 (Id %2)").arg(p.pedidoNuevo).arg(p.idNuevo);
    return p.archivo;
}

} // namespace bitacora
