#pragma once

#include "journal/TiposBitacora.h"
#include "shell/FinTrabajo.h"
#include "undo/Deshacer.h"

#include <QDialog>

class HiloTrabajo;
class PanelAvance;
class QLabel;
class QPushButton;
struct Informe;
struct Programa;

// Taking back one run of the journal: the undo runs first as a preview (done whole and rolled
// back), shown as a report; then a question, No by default, or, when orders of the run
// were changed since, the choice of undoing only the others. The undo runs on the worker
// thread with its progress and "Cancelar" (which rolls everything back), and ends with a
// message whose "Ver informe" lists what was undone.
//
// Controls by name: lblCorrida, cmdCerrar, and the progress panel's lblAvance, barAvance,
// cmdCancelar.
class DeshacerVentana : public QDialog {
    Q_OBJECT
public:
    DeshacerVentana(Programa& programa, qint64 corrida, bitacora::Operacion operacion,
                    const QString& base, QWidget* parent = nullptr);
    ~DeshacerVentana() override;

    // Starts the preview.
    void comienza();
    bool ocupado() const;

    // Report of a result: the preview, or what was undone.
    static Informe informe(const deshacer::ResultadoDeshacer& r);

signals:
    // The undo ended having written something: the journal has changed.
    void deshecha();

protected:
    void reject() override;

private:
    void inicia(bool revisar, bool parcial);
    void termina(FinTrabajo<deshacer::ResultadoDeshacer> desenlace, bool revisar);
    void terminaRevision(const deshacer::ResultadoDeshacer& r);
    void terminaDeshacer(const deshacer::ResultadoDeshacer& r);

    Programa& programa_;
    const qint64 corrida_;
    const bitacora::Operacion operacion_;
    const QString base_;
    HiloTrabajo* hilo_;
    QLabel* lblCorrida_ = nullptr;
    PanelAvance* avance_ = nullptr;
    QPushButton* cmdCerrar_ = nullptr;
};
