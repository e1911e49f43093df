#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVector>

struct st_mysql_res;

namespace host {

class Conexion;

// How the program treats a column's values (decided by the column's type in the database).
enum class ClaseCampo { Texto, Entero, Decimal, Logico, Fecha, FechaHora, Hora, Binario };

struct Columna {
    QString nombre;
    QString tabla;
    int tipo = 0;            // the server's field type code
    unsigned long largo = 0; // display length
    unsigned decimales = 0;
    bool sinSigno = false;
    bool admiteNulo = true;
    ClaseCampo clase = ClaseCampo::Texto;
    // From the table's definition, where a check needs it: how much a text column holds,
    // in characters (CHAR, VARCHAR) or in bytes of its own character set (the TEXT types);
    // 0 when not read. The display length cannot tell: it counts the connection's bytes.
    qint64 admiteCaracteres = 0;
    qint64 admiteBytes = 0;
    QString juego;            // the column's character set
    int bytesPorCaracter = 0; // the most a character takes in it
};

// Rows of one query: read the current row's columns by name or position, then MoveNext
// until EOF. Closed (and its server result freed) when destroyed.
class Recordset {
public:
    Recordset(Conexion& conexion, st_mysql_res* resultado, bool enFlujo);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool eof() const { return fila_ == nullptr; }
    void MoveNext();
    quint64 filas() const; // total rows (only for complete reads)

    int columnas() const { return int(columnas_.size()); }
    const Columna& columna(int posicion) const { return columnas_.at(posicion); }
    const QVector<Columna>& listaColumnas() const { return columnas_; }
    // Position of a column by name (without regard to case), -1 when absent.
    int posicion(const QString& nombre) const;

    bool esNulo(int posicion) const;
    bool esNulo(const QString& nombre) const { return esNulo(exige(nombre)); }
    // The raw bytes the server sent (UTF-8 text, "12.50" for a decimal, "2026-01-31" ...).
    QByteArray crudo(int posicion) const;
    QByteArray crudo(const QString& nombre) const { return crudo(exige(nombre)); }
    // The same bytes without a copy; valid until MoveNext.
    QByteArrayView vista(int posicion) const;
    QString texto(int posicion) const;
    QString texto(const QString& nombre) const { return texto(exige(nombre)); }
    qint64 entero(int posicion) const;
    qint64 entero(const QString& nombre) const { return entero(exige(nombre)); }
    double numero(int posicion) const;
    double numero(const QString& nombre) const { return numero(exige(nombre)); }
    QDate fecha(int posicion) const;
    QDate fecha(const QString& nombre) const { return fecha(exige(nombre)); }
    // The value typed after its column (null QVariant for NULL), ready to bind again.
    QVariant valor(int posicion) const;
    QVariant valor(const QString& nombre) const { return valor(exige(nombre)); }

private:
    int exige(const QString& nombre) const;

    Conexion& conexion_;
    st_mysql_res* resultado_;
    bool enFlujo_;
    char** fila_ = nullptr;
    unsigned long* largos_ = nullptr;
    QVector<Columna> columnas_;
};

} // namespace host
