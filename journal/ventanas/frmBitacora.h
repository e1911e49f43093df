#pragma once

#include "journal/Bitacora.h"
#include "journal/LecturaBitacora.h"
#include "shell/FinTrabajo.h"

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class HiloTrabajo;
class ModeloCorridas;
class ModeloPedidosBitacora;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
struct Programa;

namespace bitacora {
class LectorBitacora;
}

// The operations journal: the runs of the current, export and import databases, newest
// first, filtered by the day they started and by operation; the orders of the run selected
// below them. The journals are read on a worker thread, so the window never waits on the
// server, and a page at a time: the newest runs first, more as the list is scrolled to its
// end, and the orders of the selected run only. "Ver informe" shows the selected run's report
// from those orders; Escape and "Cerrar" close the window.
//
// Controls by name: mkeFecha(0), mkeFecha(1), cmbOperacion, cmdConsultar, mhgCorridas,
// lblDetalle, mhgPedidos, lblEstado, cmdVerInforme, cmdCerrar.
class frmBitacora : public QWidget {
    Q_OBJECT
public:
    explicit frmBitacora(Programa& programa, QWidget* parent = nullptr);
    ~frmBitacora() override;

    // Shows parent's journal window, loading it when it has none.
    static frmBitacora* muestra(Programa& programa, QWidget* parent);

    // A read of the journals is running or waiting to run.
    bool ocupado() const;

    // Shows the report of the selected run, once its orders are read.
    void verInforme();

public slots:
    // Lists the runs that match the filter.
    void consulta();

signals:
    // "¿Qué llegó?" on the selected export: the main window compares it with its
    // destination. base: the database whose journal holds the run.
    void queLlego(qint64 corrida, bitacora::Operacion operacion, const QString& base,
                  const QString& destino);
    // "Deshacer…" was pressed on run corrida (an import or accumulation) of base's journal.
    void deshacerPedido(qint64 corrida, bitacora::Operacion operacion, const QString& base);

protected:
    void showEvent(QShowEvent* evento) override;

private:
    void construye();
    void eligeCorrida();
    void cargaPedidos();
    void cargaMas();
    // nueva: the first page of a new list, rather than more of the one shown.
    void terminaCorridas(FinTrabajo<bitacora::Lectura> desenlace, bool nueva);
    void terminaPedidos(FinTrabajo<QVector<bitacora::PedidoAnotado>> desenlace,
                        const bitacora::Corrida& leida);
    void siguiente();

    Programa& programa_;
    std::array<QLineEdit*, 2> mkeFecha_{};
    QComboBox* cmbOperacion_ = nullptr;
    QPushButton* cmdConsultar_ = nullptr;
    QPushButton* cmdVerInforme_ = nullptr;
    QPushButton* cmdQueLlego_ = nullptr;
    QPushButton* cmdDeshacer_ = nullptr;
    QTableView* mhgCorridas_ = nullptr;
    QTableView* mhgPedidos_ = nullptr;
    QLabel* lblDetalle_ = nullptr;
    QLabel* lblEstado_ = nullptr;
    ModeloCorridas* corridas_ = nullptr;
    ModeloPedidosBitacora* pedidos_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;
    // The reading of the list shown, kept for its next pages; used by one read at a time.
    std::shared_ptr<bitacora::LectorBitacora> lector_;
    // The orders of the selected run, once read: what its report lists.
    std::optional<QVector<bitacora::PedidoAnotado>> leidos_;

    bool primeraVez_ = true;
    // Asked for while another read ran: done when it ends.
    bool consultaPendiente_ = false;
    bool pedidosPendientes_ = false;
    bool masPendientes_ = false;
};
