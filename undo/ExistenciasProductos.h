#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <map>

namespace host {
class Conexion;
}

namespace deshacer {

struct CambioExistencia;

// The PorVender of the products an undo changes in one database, read locked before the
// change and again after it, and the products the orders name that its table lacks (deleted
// since the run, or never there): their stock cannot be put back, and the user is told.
class ExistenciasProductos {
public:
    ExistenciasProductos(host::Conexion& conexion, QString base);

    // The products named by the rows (Producto, …) of the statement sumas.
    void leeDeSumas(const QString& sumas);
    // The products of these keys.
    void leeClaves(const QStringList& claves);
    // One change per product read: its PorVender before and now.
    void agregaCambios(QVector<CambioExistencia>& cambios) const;
    // What to tell of the products the table lacks; empty when it has them all.
    QString aviso() const;

private:
    void lee(const QString& productosNombrados, bool bloquea, std::map<QString, QString>& salida,
             QStringList* faltan) const;

    host::Conexion& conexion_;
    QString base_;
    QString productos_;
    std::map<QString, QString> antes_; // by the key the table holds
    QStringList faltan_;
};

} // namespace deshacer
