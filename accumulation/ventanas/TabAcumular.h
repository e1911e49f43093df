#pragma once

#include "accumulation/TiposAcumulacion.h"
#include "shell/FinTrabajo.h"
#include "shell/Programa.h"

#include <QDate>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class HiloTrabajo;
class PanelAvance;
class QComboBox;
class Trabajador;
class LineaAviso;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace host {
class Conexion;
}

// The accumulation tab of the main window: the date range, the search of pending orders in
// the other company databases, the series and first folio, and the generation that brings
// the orders in. Search and generation run on a worker thread with their own connections;
// the small reads (series, folio proposal, customer name) run on a second one, one after
// another, over the tab's own connection. No query runs on the window's thread.
class TabAcumular : public QWidget {
    Q_OBJECT
public:
    explicit TabAcumular(Programa& programa, QWidget* parent = nullptr);
    ~TabAcumular() override;

    // "Acumular pedidos" was pressed on the menu tab: reset the tab and open the connection.
    // While a search or generation still runs, the tab is left as it is.
    void entra();
    // A search or a generation is running.
    bool ocupado() const;
    // A small read (series and folio on entry, a series' folio, the customer's name) is
    // running or waiting to run.
    bool leyendo() const;
    // The running work, said for a question about leaving it; empty while idle.
    QString trabajoEnCurso() const;
    // The program is closing: the running work stops at its next check between orders and
    // its end is told as usual, then trabajando(false) follows. A search that ends before
    // it hears the cancel goes on to no generation.
    void cancelaParaCerrar();

signals:
    // The work is done: the main window goes back to the menu tab.
    void regresar();
    // A search or a generation started, or ended and its messages were read.
    void trabajando(bool si);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    enum class Operacion { Ninguna, Busqueda, Generacion };

    void construye();
    QLabel* etiqueta(int indice, const QString& texto);
    void eligeSerie();
    void cambiaCliente();
    // Starts the next small read asked for, when none runs: the entry's first, then the
    // folio, then the customer's name, each with the values shown by then.
    void lee();
    void leeEntrada();
    void leeFolio();
    void leeCliente();
    // A small read failed: told once, and the reads that depend on the connection stop
    // until the next entry.
    void falloLectura(const QString& mensaje);
    // Series list, folio box and "Generar pedido" wait for the folio the tab proposes.
    bool folioListo() const;
    void buscaPedidos();
    // Searches with the dates shown; yGenerar: then asks and generates, as "Generar pedido"
    // does when the dates changed since the last search.
    void busca(bool yGenerar);
    void generaPedido();
    void preguntaYGenera();
    // Starts cuerpo on the worker thread; its result goes to termina.
    void lanza(Operacion operacion, const QString& texto,
               std::function<acumulacion::Resultado(Trabajador&)> cuerpo);
    void termina(FinTrabajo<acumulacion::Resultado> desenlace);
    // The notes below the results (a cancelled search, the companies left out); hidden when
    // there are none.
    void notas(const QStringList& lineas);
    void terminaBusqueda(const acumulacion::Resultado& r);
    void terminaGeneracion(const acumulacion::Resultado& r);
    // Enables the fields for what is running: a run, or the reading of the folio.
    void habilita();
    void validaFechas();
    QDate fecha(int indice) const;
    void avisaError(const QString& mensaje);
    // The customer box's focus and Escape; true when the event was taken.
    bool filtraCliente(QEvent* evento);
    // Progress and cancel of a run, heard on the worker thread.
    static acumulacion::Retrollamadas retrollamadas(Trabajador& t, Operacion operacion);

    Programa& programa_;
    // Opened by the entry's read; the reads after it share it (one at a time).
    std::shared_ptr<host::Conexion> conexion_;

    std::array<QLabel*, 11> lblEtiqueta_{};
    std::array<QLineEdit*, 3> mskFecha_{};
    QLineEdit* txtCliente_ = nullptr;
    // Why the customer box keeps the focus when left empty, and the way out: Escape puts
    // back what it held when entered (clienteAlEntrar_) and lets it be left (clienteLibre_).
    LineaAviso* avisoCliente_ = nullptr;
    QString clienteAlEntrar_;
    bool clienteLibre_ = false;
    QPlainTextEdit* txtResultado_ = nullptr;
    QLabel* lblNotas_ = nullptr;
    QPushButton* command4_ = nullptr;
    QComboBox* cmbDato_ = nullptr;
    QLineEdit* txtFolio_ = nullptr;
    QPushButton* command5_ = nullptr;
    PanelAvance* avance_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;
    HiloTrabajo* lecturas_ = nullptr;
    QTimer* pausaCliente_ = nullptr; // the name is read once typing pauses

    // The small reads asked for and not started yet, and the one running.
    enum class Lectura { Ninguna, Entrada, Folio, Cliente };
    bool pideEntrada_ = false, pideFolio_ = false, pideCliente_ = false;
    Lectura leyendo_ = Lectura::Ninguna;
    // Counts the entries: what a read of an earlier one answers is dropped.
    quint64 entrada_ = 0;

    Operacion operacion_ = Operacion::Ninguna;

    // What the last search found with which dates: the question before a generation says
    // how many orders it moves, so a generation with other dates searches again first.
    struct Hallazgo {
        QDate desde, hasta;
        int pedidos = 0;
        int empresas = 0;
    };
    std::optional<Hallazgo> hallazgo_;
    QDate buscadoDesde_, buscadoHasta_;
    bool generarTrasBuscar_ = false;
    bool cerrando_ = false;
    // The orders the running generation has stored, for its report.
    QVector<acumulacion::FolioDado> dados_;
    QDate generadoDesde_, generadoHasta_;
};
