#pragma once

#include "journal/TiposBitacora.h"

#include <QDateTime>
#include <QString>
#include <optional>

// Every word of the journal: those its tables store and those the user reads.
namespace bitacora {

// How the tables hold the operation and the outcome: plain words ("acumulacion", "hecha")
// that stay the same whatever the program shows.
QString codigo(Operacion operacion);
QString codigo(EstadoCorrida estado);
// A word the program did not write reads as the first of its kind.
Operacion operacionDe(const QString& codigo);
EstadoCorrida estadoDe(const QString& codigo);
// The operation stored as that word in the tables ("acumulacion", ...); none for another word.
std::optional<Operacion> operacionDeCodigo(const QString& codigo);
// "acumulacion", "exportacion" or "importacion" (accents and capitals allowed).
std::optional<Operacion> operacionDeTexto(const QString& texto);

// "Acumulación", "Exportación", "Importación".
QString texto(Operacion operacion);
// The outcome as the user reads it: "Hecha", "Falló", "Cancelada", "En curso" (a run still
// going, or one that ended without closing its entry), or "Interrumpida" for a run whose
// program or server stopped before it recorded its end. The one wording of the outcome.
QString textoDesenlace(const Corrida& corrida);
// "05/03/2026 10:00:01"; empty for an invalid moment.
QString textoMomento(const QDateTime& momento);
// "juan en pc1 (base de datos: root@localhost)".
QString textoUsuarios(const Corrida& corrida);
// Where an order came from: "Pedido B-1520 (Id 45) de empresa2", "Línea 12 de pedidos.txt".
QString textoOrigen(const PedidoAnotado& pedido);
// Where it went: "A-100 (Id 301)", or the file it was written to.
QString textoDestino(const PedidoAnotado& pedido);

// Two notices about the journal, one a line; either may be empty.
QString juntaAvisos(const QString& aviso, const QString& otro);

} // namespace bitacora
