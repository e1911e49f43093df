#pragma once

#include "export/Exportacion.h"
#include "shell/FinTrabajo.h"
#include "shell/Programa.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <QVector>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class HiloTrabajo;
class LineaAviso;
class ModeloPedidosExportar;
class PanelAvance;
class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

// The export selection window: lists the export database's orders of a date range, lets
// the user mark them, and writes the marked ones to a transfer file in the program folder,
// copied to the chosen folder: a mounted volume, the user's home folder or any folder picked
// with "Examinar…". The search and the writing run on a worker thread with
// their own connections.
class BajarPedidos : public QDialog {
    Q_OBJECT
public:
    explicit BajarPedidos(Programa& programa, QWidget* parent = nullptr);
    ~BajarPedidos() override;

    // A search or an export is running.
    bool ocupado() const;

    // A folder the file may be copied to, and what the list says beside it (a volume's
    // label; empty when it has none).
    struct Destino {
        QString ruta;
        QString etiqueta;
    };
    // Where the file may be copied: the user's home folder (selected at first), then the
    // mounted volumes' root folders. Read again each time: a volume mounted since is there.
    static QVector<Destino> destinos();
    // Test seam: the volumes destinos() lists instead of the mounted ones (empty function:
    // the mounted ones).
    static void ponVolumenes(std::function<QVector<Destino>()> volumenes);

    // The sends to another server, wired by the main window (which knows the send's
    // window): the destinations' names, offered in the list beside "Unidad:" after the
    // folders, and what choosing one and pressing "Proceder" does with the marked orders
    // (desde and hasta: the range they were listed with). envia calls fin once the send's
    // window closes, with true when the orders arrived.
    struct Envios {
        std::function<QStringList()> destinos;
        std::function<void(QWidget* padre, const QString& destino, const QVector<qint64>& ids,
                           const std::optional<QDate>& desde, const std::optional<QDate>& hasta,
                           std::function<void(bool)> fin)>
            envia;
    };
    void ponEnvios(Envios envios);

public slots:
    // Not while an operation runs: "Cancelar" stops it first.
    void reject() override;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void construye();
    QLabel* etiqueta(const QString& nombre, const QString& texto);
    void buscaPedidos();
    void procede();
    void confirmaMarcados();
    void escribeArchivo();
    void alterna(const QModelIndex& indice);
    void reinicia();
    void terminaBusqueda(FinTrabajo<exportacion::ListaExportar> desenlace);
    void terminaExportacion(exportacion::ResultadoExportacion r);
    void muestraNombre(bool visible);
    // The last file name and destination folder, from the INI file.
    void proponeUltimos();
    // Fills the drive list again, with the folders picked before; elegir (or else the
    // destination selected) stays selected when it is still there.
    void llenaDestinos(const QString& elegir = {});
    void examina();
    void enviaMarcados(const QString& destino);
    void avisaError(const QString& mensaje);
    // The line below the grid: how many of how many are marked, and their totals.
    void cuenta();
    void muestraCuentas(bool visible);

    Programa& programa_;
    std::array<QLineEdit*, 2> mkeFecha_{};
    QPushButton* cmdAceptar_ = nullptr;
    QTableView* mhgReja_ = nullptr;
    ModeloPedidosExportar* modelo_ = nullptr;
    QLabel* label5_ = nullptr;
    QPushButton* cmdProceder_ = nullptr;
    QLabel* label6_ = nullptr;
    QLineEdit* txtArchivo_ = nullptr;
    QLabel* label8_ = nullptr;
    QComboBox* drive1_ = nullptr;
    QPushButton* cmdExaminar_ = nullptr;
    QLabel* cuenta_ = nullptr;
    QPushButton* cmdMarcarTodos_ = nullptr;
    QPushButton* cmdDesmarcarTodos_ = nullptr;
    LineaAviso* avisoFechas_ = nullptr;
    LineaAviso* avisoArchivo_ = nullptr;
    QStringList carpetasElegidas_;
    // The last click on a "Pasar" cell and the last double click, so a double click flips
    // a mark once however its clicks arrive.
    QElapsedTimer reloj_;
    int filaClic_ = -1;
    int filaDoble_ = -1;
    PanelAvance* avance_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;
    Envios envios_;
};
