#include "undo/ExistenciasProductos.h"

#include "shell/host/Conexion.h"
#include "shell/host/Recordset.h"
#include "undo/Deshacer.h"

namespace deshacer {

namespace {

// Keys a statement: MariaDB takes a union of this many literal rows at once without trouble.
constexpr qsizetype porConsulta = 1000;

} // namespace

ExistenciasProductos::ExistenciasProductos(host::Conexion& conexion, QString base)
    : conexion_(conexion), base_(std::move(base)),
      productos_(host::Conexion::identificador(base_) + QStringLiteral(".productos")) {}

void ExistenciasProductos::lee(const QString& productosNombrados, bool bloquea,
                               std::map<QString, QString>& salida, QStringList* faltan) const {
    // Joined as the table compares keys (its collation), not as this program would.
    for (auto rs = conexion_.consulta(
             QStringLiteral("SELECT x.Producto, p.Clave, p.PorVender FROM (%2) x LEFT JOIN %1 p "
                            "ON p.Clave=x.Producto WHERE x.Producto IS NOT NULL%3")
                 .arg(productos_, productosNombrados,
                      bloquea ? QStringLiteral(" FOR UPDATE") : QString()));
         !rs->eof(); rs->MoveNext()) {
        if (rs->esNulo(1)) {
            // A line without a product code (a note, say) names none.
            if (faltan && !rs->texto(0).isEmpty() && !faltan->contains(rs->texto(0)))
                *faltan << rs->texto(0);
            continue;
        }
        salida[rs->texto(1)] = rs->texto(2);
    }
}

void ExistenciasProductos::leeDeSumas(const QString& sumas) {
    lee(sumas, true, antes_, &faltan_);
}

void ExistenciasProductos::leeClaves(const QStringList& claves) {
    for (qsizetype i = 0; i < claves.size(); i += porConsulta) {
        QStringList filas;
        for (const QString& c : claves.mid(i, porConsulta)) {
            QByteArray fila = "SELECT ";
            conexion_.agregaLiteral(fila, c);
            filas << QString::fromUtf8(fila + " AS Producto");
        }
        lee(filas.join(QStringLiteral(" UNION ALL ")), true, antes_, &faltan_);
    }
}

void ExistenciasProductos::agregaCambios(QVector<CambioExistencia>& cambios) const {
    QStringList claves;
    for (const auto& a : antes_)
        claves << a.first;
    std::map<QString, QString> despues;
    for (qsizetype i = 0; i < claves.size(); i += porConsulta)
        lee(QStringLiteral("SELECT Clave AS Producto FROM %1 WHERE Clave IN (%2)")
                .arg(productos_, conexion_.listaLiterales(claves.mid(i, porConsulta))),
            false, despues, nullptr);
    for (const auto& [producto, valor] : antes_)
        cambios.push_back(
            {base_, producto, valor, despues.count(producto) ? despues.at(producto) : valor});
}

QString ExistenciasProductos::aviso() const {
    if (faltan_.isEmpty())
        return {};
    constexpr qsizetype nombrados = 10;
    QString lista = faltan_.mid(0, nombrados).join(QStringLiteral(", "));
    if (faltan_.size() > nombrados)
        lista += QStringLiteral(" y %1 más").arg(faltan_.size() - nombrados);
    return (faltan_.size() == 1
                ? QStringLiteral("El producto %1 no está en la tabla productos de la base de "
                                 "datos \"%2\": su PorVender no se cambió.")
                : QStringLiteral("Los productos %1 no están en la tabla productos de la base de "
                                 "datos \"%2\": su PorVender no se cambió."))
        .arg(lista, base_);
}

} // namespace deshacer
