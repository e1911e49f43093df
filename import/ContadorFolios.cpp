#include "import/ContadorFolios.h"

#include "import/Importacion.h"
#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"

#include <cmath>
#include <limits>

namespace importacion {

namespace {

// The counter's text as a whole number; 0 when it holds none.
qint64 numeroDe(const QString& texto) {
    const QString t = texto.trimmed();
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (ok)
        return n;
    const double d = t.toDouble(&ok);
    return ok && std::isfinite(d) && std::fabs(d) < 9e18 ? qint64(std::llround(d)) : 0;
}

} // namespace

ContadorFolios::ContadorFolios(host::Conexion& conexion) : conexion_(conexion) {}

int ContadorFolios::busca(const QString& serie) {
    const auto hallado = porSerie_.constFind(serie);
    if (hallado != porSerie_.cend())
        return *hallado;
    const QString dato = QStringLiteral("PE-") + serie;
    if (antesDeConsultar_)
        antesDeConsultar_();
    // A series without its row would give folio 1 forever: the row is made here. Making it
    // first also lets the locking read below find it.
    conexion_.ejecuta(QStringLiteral("INSERT INTO sistema (Dato, Contenido) VALUES (?, '0') "
                                     "ON DUPLICATE KEY UPDATE Dato=Dato"),
                      {dato});
    auto rs = conexion_.consulta(
        QStringLiteral("SELECT Dato, Contenido FROM sistema WHERE Dato=? FOR UPDATE"), {dato});
    Contador c;
    c.dato = rs->eof() ? dato : rs->texto(0);
    c.ultimo = rs->eof() || rs->esNulo(1) ? 0 : numeroDe(rs->texto(1));
    // Series written differently ("a", "A") may share one row of the table.
    int indice = -1;
    for (int i = 0; i < contadores_.size(); ++i)
        if (contadores_[i].dato == c.dato)
            indice = i;
    if (indice < 0) {
        indice = int(contadores_.size());
        contadores_.push_back(c);
    }
    porSerie_.insert(serie, indice);
    return indice;
}

qint32 ContadorFolios::siguiente(const QString& serie) {
    Contador& c = contadores_[busca(serie)];
    if (c.ultimo >= std::numeric_limits<qint32>::max())
        throw host::ErrorBdD(QStringLiteral("El contador de folios \"%1\" ya llegó al mayor "
                                            "folio posible (%2).")
                                 .arg(c.dato)
                                 .arg(c.ultimo));
    return qint32(++c.ultimo);
}

void ContadorFolios::graba() {
    if (antesDeConsultar_)
        antesDeConsultar_();
    for (const Contador& c : contadores_)
        conexion_.ejecuta(QStringLiteral("UPDATE sistema SET Contenido=? WHERE Dato=?"),
                          {QString::number(c.ultimo), c.dato});
}

qint32 ObtenFolio(QString& serie, host::Conexion& conexion) {
    serie = serie.trimmed();
    ContadorFolios contador(conexion);
    const qint32 folio = contador.siguiente(serie);
    contador.graba();
    return folio;
}

} // namespace importacion
