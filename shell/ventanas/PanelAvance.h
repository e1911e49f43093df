#pragma once

#include <QWidget>

class HiloTrabajo;
class QLabel;
class QProgressBar;
class QPushButton;

// Where a window shows a long operation going on: what it is doing ("lblAvance"), how far
// it is ("barAvance") and the button that stops it ("cmdCancelar"). Hidden while idle,
// unless the window leaves a last line there (concluye).
class PanelAvance : public QWidget {
    Q_OBJECT
public:
    explicit PanelAvance(QWidget* parent = nullptr);

    // Follows the operations of hilo: shown from comienza() to their end, the bar fed by
    // their progress, "Cancelar" asking them to stop.
    void sigue(HiloTrabajo& hilo);
    void comienza(const QString& texto);
    void informa(const QString& texto, qint64 n, qint64 total);
    // The operation waits for another user: texto stands in place of the progress line until
    // it comes empty, when the line comes back.
    void espera(const QString& texto);
    void termina();
    // What "Cancelar" does, for the window's own reasons to stop the operation.
    void cancela();
    // After the end: only texto stays, so the user knows how the operation ended.
    void concluye(const QString& texto);

private:
    // The line shown, the window grown when it wraps to more lines than there is room for.
    void muestra(const QString& texto);

    QLabel* texto_;
    QProgressBar* barra_;
    QPushButton* cancelar_;
    HiloTrabajo* hilo_ = nullptr;
    // Asked to stop: the button's own state cannot tell, as a disabled window disables it too.
    bool cancelando_ = false;
    bool esperando_ = false;
    QString linea_; // the progress line while a wait is shown
};
