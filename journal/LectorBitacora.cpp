#include "journal/LectorBitacora.h"

#include "sales/NombresEmpresas.h"
#include "shell/host/Conexion.h"

namespace bitacora {

struct LectorBitacora::Fuente {
    QString nombre;
    std::unique_ptr<host::Conexion> conexion;
    QVector<Corrida> enMano;       // read but not yet given
    qsizetype siguiente = 0;       // the first of enMano not yet given
    std::optional<Corrida> ultima; // the last one read: the next page starts after it
    bool agotada = false;

    bool tieneEnMano() const { return siguiente < enMano.size(); }
};

LectorBitacora::LectorBitacora(const host::BasesDD& bases, const QStringList& nombres,
                               const Seleccion& filtro)
    : bases_(bases), filtro_(filtro) {
    for (const QString& nombre : nombres) {
        auto f = std::make_unique<Fuente>();
        f->nombre = nombre;
        fuentes_.push_back(std::move(f));
    }
}

LectorBitacora::~LectorBitacora() = default;

void LectorBitacora::llena(Fuente& f, int n, QStringList& fallos) {
    if (f.tieneEnMano() || f.agotada)
        return;
    Seleccion s = filtro_;
    s.despuesDe = f.ultima;
    // One more than a page: the one left in hand says there are more.
    s.limite = n + 1;
    try {
        if (!f.conexion)
            f.conexion = bases_.abre(f.nombre);
        f.enMano = bitacora::ConsultasBitacora::corridas(*f.conexion, s);
    } catch (const host::ErrorBdD& e) {
        fallos << QStringLiteral("No se pudo leer la bitácora de \"%1\": %2")
                      .arg(f.nombre, e.mensaje().section(QLatin1Char('\n'), 0, 0));
        f.enMano.clear();
        f.agotada = true;
    }
    f.siguiente = 0;
    if (f.enMano.size() < s.limite)
        f.agotada = true;
    if (!f.enMano.isEmpty())
        f.ultima = f.enMano.last();
}

Lectura LectorBitacora::siguientes(int n) {
    Lectura l;
    n = std::max(n, 1);
    while (l.corridas.size() < n) {
        // The newest of the runs each journal has next; on the same second, the journals go
        // in the order of the list of databases.
        Fuente* elegida = nullptr;
        for (auto& f : fuentes_) {
            llena(*f, n, l.fallos);
            if (f->tieneEnMano() && (!elegida || f->enMano[f->siguiente].inicio >
                                                     elegida->enMano[elegida->siguiente].inicio))
                elegida = f.get();
        }
        if (!elegida)
            break;
        l.corridas.push_back(elegida->enMano[elegida->siguiente++]);
    }
    // A journal whose rows in hand were all given reads its next ones now, so hayMas is known.
    for (auto& f : fuentes_)
        llena(*f, n, l.fallos);
    l.hayMas = !terminado();
    // Over the first journal's connection that opened: the list of companies is one for all.
    for (auto& f : fuentes_)
        if (!nombresLeidos_ && f->conexion) {
            l.empresas = acumulacion::NombresEmpresas(*f->conexion);
            nombresLeidos_ = true;
        }
    return l;
}

bool LectorBitacora::terminado() const {
    for (const auto& f : fuentes_)
        if (f->tieneEnMano() || !f->agotada)
            return false;
    return true;
}

QVector<PedidoAnotado> LectorBitacora::pedidos(const Corrida& corrida) {
    for (auto& f : fuentes_)
        if (f->nombre == corrida.base && f->conexion)
            return LeePedidos(*f->conexion, corrida);
    return LeePedidos(bases_, corrida);
}

} // namespace bitacora
