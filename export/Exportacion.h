#pragma once

#include "journal/Bitacora.h"
#include "shell/ResultadoOperacion.h"
#include "shell/host/ArchivoNuevo.h"
#include "shell/host/Avance.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>
#include <vector>

namespace host {
class Conexion;
}

// Writing the marked orders of the export database to a transfer file.
namespace exportacion {

// One order of the export window's grid.
struct FilaExportar {
    qint64 id = 0;
    QString serie;
    qint64 factura = 0;
    QDate fecha; // invalid when the order has none
    double subtotal = 0;
    double iva = 0;
    QDateTime exportado; // the end of the last export that wrote it; invalid when none
};

// The orders dated within the range (either end may be left open), oldest first.
std::vector<FilaExportar> BuscaPedidosExportar(host::Conexion& conexion,
                                               const std::optional<QDate>& desde,
                                               const std::optional<QDate>& hasta);

// The export window's list: the orders of the range with when each was last exported, read
// from the journal in one query for the whole list. A journal that cannot be read leaves
// the dates empty and says so in aviso; the list is still good.
struct ListaExportar {
    std::vector<FilaExportar> filas;
    QString aviso;
};
ListaExportar ListaPedidosExportar(host::Conexion& conexion, const std::optional<QDate>& desde,
                                   const std::optional<QDate>& hasta);

// Of the orders BuscaPedidosExportar lists for the range, those whose Id is in pedidos (every
// one when pedidos is empty), in its order. avisos names each Id asked for that is not there.
QVector<qint64> PedidosElegidos(host::Conexion& conexion, const std::optional<QDate>& desde,
                                const std::optional<QDate>& hasta, const QVector<qint64>& pedidos,
                                QStringList& avisos);

// ok only once the file is written (and copied, when asked); a cancel leaves ok false and
// cancelado set.
struct ResultadoExportacion : ResultadoOperacion {
    QString archivo;    // the file written in the program folder
    QString copia;      // where it was copied (empty when not copied)
    qint64 pedidos = 0; // headers written
    qint64 renglones = 0;
    qint64 omitidos = 0; // marked orders that no longer exist
    QStringList avisos;  // characters that the file could not hold, by order and field
    // The copy took the place of a file of that name that was already at the destination.
    bool reemplazo = false;
    // Nothing was exported because a file of that name was there, or came while the file was
    // written (another export of the same name at the same time).
    bool nombreOcupado = false;
    qint64 corrida = 0; // the export's entry in the journal (0 when none was written)
};

// "No se exportó nada: ya hay un archivo …, que quedó como estaba."
QString MensajeNombreOcupado(const QString& ruta);

// Why the name typed for the file cannot be used, or the empty text when it can: it must be
// a plain file name (no folder, no final dot, nothing the volumes refuse, no device name) and
// must not name one of the program's own files (propios) once written in carpetaPrograma.
QString CompruebaNombre(const QString& nombre, const QString& carpetaPrograma,
                        const QStringList& propios);

// Hears, on the writing thread, each batch of orders just written to the file (which is in
// place only once EscribeArchivo returns with ok), as the journal rows of an export: Id and
// "Serie-Factura" ("Factura" alone in the series without name).
using TandaEscrita = std::function<void(QVector<bitacora::PedidoAnotado>)>;

// How EscribeArchivo reads the orders and their lines: batch by batch through the tables'
// indexes on Id, or in passes over the whole tables, which costs less when the selection is a
// large share of them. Automatico chooses by that share; the other two are for the benchmark
// that compares them.
enum class PlanLectura { Automatico, PorTandas, PorPasadas };
// The plan Automatico takes for a selection of that many orders of conexion's database.
PlanLectura EligePlanLectura(host::Conexion& conexion, qsizetype seleccion);

// Writes the orders, in the order given, to the file named nombre (".txt" added when the
// name lacks it) in carpetaPrograma; a name CompruebaNombre refuses writes nothing. The file
// appears only when complete: a failure or a cancel leaves any earlier file of that name as
// it was; with siHay Respeta, so does a file that took the name meanwhile (nombreOcupado).
ResultadoExportacion
EscribeArchivo(host::Conexion& conexion, const QVector<qint64>& ids, const QString& nombre,
               const QString& carpetaPrograma, const transferencia::Avance& avance = {},
               const QStringList& propios = {}, const TandaEscrita& tandaEscrita = {},
               PlanLectura plan = PlanLectura::Automatico,
               host::ArchivoNuevo::SiHayNombre siHay = host::ArchivoNuevo::SiHayNombre::Reemplaza);

// "Se escribieron 3 pedidos con 5 renglones en el archivo X": how the message of a written
// file starts, with the counts in the right number.
QString MensajeEscrito(const ResultadoExportacion& resultado);

// Where the copy of the file named nombre (".txt" added when the name lacks it) goes in
// carpetaDestino.
QString RutaCopia(const QString& nombre, const QString& carpetaDestino);

// The destination is the program folder itself (through a link, too): the file written there
// is the copy. The folders are compared, not the files: a link at the destination to the
// file written is no copy.
bool CopiaEnLaMismaCarpeta(const QString& carpetaPrograma, const QString& carpetaDestino);

// Why the export cannot write nombre (".txt" added when the name lacks it) into carpeta, or
// the empty text when it can: the folder exists, is a folder (a link to one counts), may be
// written, and holds no folder or read-only file of that name. esDestino: the folder of the
// copy, rather than the program folder. The text starts with "No se exportó nada:".
QString CompruebaCarpeta(const QString& carpeta, const QString& nombre, bool esDestino);

// Copies the file into carpetaDestino under the same name. A file of that name already there
// is replaced (and reemplazo set) only when reemplazar. Fills copia on success; otherwise ok
// is false and mensaje says why.
void CopiaArchivo(ResultadoExportacion& resultado, const QString& carpetaDestino,
                  bool reemplazar = true);

// What a send adds to an export (empty for the USB way): the journal names the destination
// instead of the copy's folder, the file stays where it is written (it is the record kept),
// and entrega runs once it is in place, before the run is closed; the text it gives is added
// to the run's message.
struct EntregaExportacion {
    QString destino;
    std::function<QString(ResultadoExportacion&)> entrega;
};

// EscribeArchivo and then CopiaArchivo: what the export window's button does. A name, a
// program folder or a destination that cannot be used (CompruebaNombre, CompruebaCarpeta)
// writes and records nothing. Without reemplazar, a destination that already holds a file of
// that name writes nothing at all. Neither file is ever written through a link of its name:
// the link is replaced.
// The export is recorded in the journal of conexion's database: desde and hasta (the range
// the orders were listed with), file and destination, outcome, and each order written.
ResultadoExportacion
ExportaPedidos(host::Conexion& conexion, const QVector<qint64>& ids, const QString& nombre,
               const QString& carpetaPrograma, const QString& carpetaDestino,
               const transferencia::Avance& avance = {}, const QStringList& propios = {},
               bool reemplazar = true, const std::optional<QDate>& desde = {},
               const std::optional<QDate>& hasta = {}, const EntregaExportacion& entrega = {});

// Root folders of the mounted volumes the file can be copied to.
QStringList UnidadesDestino();

} // namespace exportacion
