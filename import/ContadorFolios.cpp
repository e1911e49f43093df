#include "import/ContadorFolios.h"

#include "import/Importacion.h"
#include "sales/FoliosSerie.h"
#include "shell/host/Conexion.h"

#include <algorithm>
#include <limits>

namespace importacion {

namespace {

const QString prefijo = QStringLiteral("PE-");
// At most this many set aside at once, so a huge file does not hold them all in memory.
constexpr qint64 maximoApartados = 100000;

} // namespace

ContadorFolios::ContadorFolios(host::Conexion& conexion, const QHash<QString, qint64>& porSerie)
    : conexion_(conexion) {
    QStringList series = porSerie.keys();
    if (!porSerie.contains(QString()))
        series << QString();
    // The table compares keys without regard to case, so the order does too.
    std::sort(series.begin(), series.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    auto abiertas = acumulacion::FoliosSerie::abre(conexion_, prefijo, series);
    for (qsizetype k = 0; k < series.size(); ++k) {
        Contador& c = contadores_[busca(series[k], std::move(abiertas[std::size_t(k)]))];
        c.porDar += porSerie.value(series[k]);
    }
    // Every series' first folios at once: on a slow link each statement is a round trip.
    QVector<acumulacion::FoliosSerie::Libres> pedidos;
    QVector<Contador*> de;
    for (Contador& c : contadores_)
        if (c.porDar > 0 && c.ultimo < std::numeric_limits<qint32>::max()) {
            pedidos.push_back({c.folios.get(),
                               c.ultimo + 1,
                               int(std::clamp<qint64>(c.porDar, 1, maximoApartados)),
                               {}});
            de << &c;
        }
    acumulacion::FoliosSerie::libres(conexion_, pedidos);
    for (qsizetype k = 0; k < pedidos.size(); ++k)
        de[k]->apartados.insert(de[k]->apartados.end(), pedidos[k].folios.cbegin(),
                                pedidos[k].folios.cend());
}

ContadorFolios::~ContadorFolios() = default;

int ContadorFolios::busca(const QString& serie, std::unique_ptr<acumulacion::FoliosSerie> abierta) {
    const auto hallado = porSerie_.constFind(serie);
    if (hallado != porSerie_.cend())
        return *hallado;
    // A series without its row would give folio 1 forever: the row is made here.
    auto folios = abierta ? std::move(abierta)
                          : std::make_unique<acumulacion::FoliosSerie>(conexion_, prefijo, serie);
    // Series written differently ("a", "A") may share one row of the table.
    int indice = -1;
    for (int i = 0; i < int(contadores_.size()); ++i)
        if (contadores_[i].folios->clave() == folios->clave())
            indice = i;
    if (indice < 0) {
        indice = int(contadores_.size());
        Contador c;
        c.ultimo = folios->contador();
        c.folios = std::move(folios);
        contadores_.push_back(std::move(c));
    }
    porSerie_.insert(serie, indice);
    return indice;
}

// Exactly as many as expected: looking further could run past the largest folio for
// nothing.
void ContadorFolios::aparta(Contador& c) {
    if (c.ultimo >= std::numeric_limits<qint32>::max())
        throw host::ErrorBdD(QStringLiteral("El contador de folios \"%1\" ya llegó al mayor "
                                            "folio posible (%2).")
                                 .arg(c.folios->clave())
                                 .arg(c.ultimo));
    const QVector<qint32> libres =
        c.folios->libres(c.ultimo + 1, int(std::clamp<qint64>(c.porDar, 1, maximoApartados)));
    c.apartados.insert(c.apartados.end(), libres.cbegin(), libres.cend());
}

void ContadorFolios::descuenta(const QString& serie, qint64 n) {
    contadores_[busca(serie)].porDar -= n;
}

qint32 ContadorFolios::siguiente(const QString& serie) {
    Contador& c = contadores_[busca(serie)];
    if (c.apartados.empty())
        aparta(c);
    const qint32 folio = c.apartados.front();
    c.apartados.pop_front();
    --c.porDar;
    c.ultimo = folio;
    c.dioFolios = true;
    return folio;
}

void ContadorFolios::graba() {
    QVector<acumulacion::FoliosSerie::Guardado> guardados;
    for (const Contador& c : contadores_)
        if (c.dioFolios)
            guardados.push_back({c.folios.get(), qint32(c.ultimo)});
    acumulacion::FoliosSerie::guarda(conexion_, guardados);
}

} // namespace importacion
