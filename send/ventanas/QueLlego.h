#pragma once

#include "send/Conciliacion.h"
#include "shell/FinTrabajo.h"
#include "shell/Programa.h"

#include <QDialog>

class HiloTrabajo;
class PanelAvance;
class QLabel;

// What arrived of one export: compares it with its destination on a worker thread and shows
// the list, order by order, with the totals (the report window's table). Closes itself once
// the report is shown.
//
// Controls by name: lblCorrida, and the progress panel's barAvance and cmdCancelar.
class QueLlego : public QDialog {
    Q_OBJECT
public:
    // corrida of base's journal; destino: the run's own destination text.
    QueLlego(Programa& programa, qint64 corrida, QString base, QString destino,
             QWidget* parent = nullptr);
    ~QueLlego() override;
    // Shows the window in front of parent and starts the comparison.
    static QueLlego* muestra(Programa& programa, qint64 corrida, const QString& base,
                             const QString& destino, QWidget* parent);
    bool ocupado() const;

public slots:
    void reject() override;

private:
    void comienza();
    void termina(FinTrabajo<envio::ResultadoConciliacion> d);

    Programa& programa_;
    qint64 corrida_;
    QString base_, destino_;
    QLabel* lblCorrida_ = nullptr;
    PanelAvance* avance_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;
};
