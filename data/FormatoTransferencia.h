#pragma once

#include <QString>
#include <QStringList>

// The layout of the order transfer file, shared by the writer and the reader.
namespace transferencia {

// Fields of a header record ("M" first) and of a line record ("D" first).
inline constexpr int camposEncabezado = 40;
inline constexpr int camposRenglon = 21;

// pedidos columns of header fields 2 to 35, in file order (field 2 is Factura).
const QStringList& columnasEncabezado();
// clientes columns of header fields 36 to 40.
const QStringList& columnasCliente();
// pedidosdetalle columns of line fields 2 to 21.
const QStringList& columnasRenglon();
// A field's name for messages: its column, or "marca" for the first field.
QString nombreCampo(bool encabezado, int numero);

// The file name both sides use: the typed text trimmed, with ".txt" appended unless the
// name already holds ".txt" in any case. Empty when the text holds only blanks.
QString nombreArchivo(const QString& texto);

} // namespace transferencia
