#pragma once

#include "accumulation/TiposAcumulacion.h"
#include "shell/Desenlace.h"
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
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace host {
class Conexion;
}

// The accumulation tab of the main window: the date range, the search of pending orders in
// the other company databases, the series and first folio, and the generation that brings
// the orders in. Search and generation run on a worker thread with their own connections;
// the tab's own connection serves the small reads (series, folio proposal, customer name).
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
    void buscaPedidos();
    // Searches with the dates shown; yGenerar: then asks and generates, as "Generar pedido"
    // does when the dates changed since the last search.
    void busca(bool yGenerar);
    void generaPedido();
    void preguntaYGenera();
    // Starts cuerpo on the worker thread; its result goes to termina.
    void lanza(Operacion operacion, const QString& texto,
               std::function<acumulacion::Resultado(Trabajador&)> cuerpo);
    void termina(Desenlace<acumulacion::Resultado> desenlace);
    // The notes below the results (a cancelled search, the companies left out); hidden when
    // there are none.
    void notas(const QStringList& lineas);
    void terminaBusqueda(const acumulacion::Resultado& r);
    void terminaGeneracion(const acumulacion::Resultado& r);
    void bloquea(bool si);
    void validaFechas();
    QDate fecha(int indice) const;
    void avisaError(const QString& mensaje);
    // Progress and cancel of a run, heard on the worker thread.
    static acumulacion::Retrollamadas retrollamadas(Trabajador& t, Operacion operacion);

    Programa& programa_;
    std::unique_ptr<host::Conexion> conexion_;

    std::array<QLabel*, 11> lblEtiqueta_{};
    std::array<QLineEdit*, 3> mskFecha_{};
    QLineEdit* txtCliente_ = nullptr;
    QPlainTextEdit* txtResultado_ = nullptr;
    QLabel* lblNotas_ = nullptr;
    QPushButton* command4_ = nullptr;
    QComboBox* cmbDato_ = nullptr;
    QLineEdit* txtFolio_ = nullptr;
    QPushButton* command5_ = nullptr;
    PanelAvance* avance_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;

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
