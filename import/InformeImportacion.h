#pragma once

#include "import/Importacion.h"

#include <functional>

class QTextStream;

namespace importacion {

// The texts an import tells the user, built from its result.
class InformeImportacion {
public:
    // When orders of a file were first imported: "el 05/03/2026 a las 14:22", or "en 3
    // importaciones, entre el 01/03/2026 y el 05/03/2026"; empty when no date is known.
    static QString cuando(const QVector<PedidoYaImportado>& pedidos);
    // The whole report, one item a line: each order with its new Id and folio, the new
    // customers, the changes of PorVender, what is dropped, the orders imported before and
    // the totals. Made for a preview, it also fits a finished import.
    static QString texto(const ResultadoImportacion& r);

    // The sentence that ends an import or a preview that ran whole: what it stored (or
    // would), what it left out as imported before. base: " \"empresa1\"", or empty.
    static QString mensaje(const ResultadoImportacion& r, const QString& base);
    // The sentence of a file refused for its orders imported before.
    static QString rechazo(const ResultadoImportacion& r, const QString& archivo,
                           const QString& base);
    // What the reader left out of the file: the lines before the first order, and the text
    // after closing quotes (the first one shown).
    static QStringList avisosDeLectura(const ResultadoImportacion& r);
    // The same, each line ended by a line break, written as it is made: a preview of many
    // orders goes out without being held whole.
    static void escribe(const ResultadoImportacion& r, QTextStream& salida);
    // Each line of the report in turn.
    static void recorre(const ResultadoImportacion& r,
                        const std::function<void(const QString&)>& linea);
};

} // namespace importacion
