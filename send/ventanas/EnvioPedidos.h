#pragma once

#include "export/ventanas/BajarPedidos.h"
#include "send/Envio.h"
#include "shell/FinTrabajo.h"
#include "shell/Programa.h"

#include <QDialog>
#include <functional>
#include <optional>

class HiloTrabajo;
class PanelAvance;
class QLabel;

// The send of the marked orders to a destination: the destination's preview first (shown
// as the import window shows it), then the question, No by default, then the send with its
// progress and "Cancelar", ending with the destination's report ("Ver informe"). Both runs
// go on a worker thread with connections of their own. Closes itself when done; fin hears
// whether the orders arrived.
//
// Controls by name: lblDestino, and the progress panel's barAvance and cmdCancelar.
class EnvioPedidos : public QDialog {
    Q_OBJECT
public:
    EnvioPedidos(Programa& programa, envio::Destino destino, QVector<qint64> ids,
                 envio::OpcionesEnvio opciones, std::function<void(bool)> fin,
                 QWidget* parent = nullptr);
    ~EnvioPedidos() override;

    // What the export window needs to offer the INI's destinations and open this window.
    static BajarPedidos::Envios envios(Programa& programa);

    bool ocupado() const;
    // Starts with the preview (the window shows itself first).
    void comienza();

public slots:
    // Not while a run goes on: "Cancelar" stops it first.
    void reject() override;

private:
    struct Corrida;
    void corre(bool revisar);
    void terminaRevision(const Corrida& c);
    void terminaEnvio(const Corrida& c);
    void acaba(bool llegaron);

    Programa& programa_;
    envio::Destino destino_;
    QVector<qint64> ids_;
    envio::OpcionesEnvio opciones_;
    std::function<void(bool)> fin_;
    QLabel* lblDestino_ = nullptr;
    PanelAvance* avance_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;
    bool terminado_ = false;
};
