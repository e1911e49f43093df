#pragma once

#include <QFrame>

class HiloTrabajo;
class QLabel;
class QPushButton;
struct Programa;

// A line that says the database server cannot be reached, with "Reintentar": shown on the
// menu tab at start and after a job's window closes, so the clerk learns it before choosing
// an operation rather than from a failed one. The check connects on a worker thread, to the
// server alone (a missing database is the job's own message), with a short wait.
class AvisoServidor : public QFrame {
    Q_OBJECT
public:
    AvisoServidor(const Programa& programa, QWidget* parent);
    ~AvisoServidor() override;

    // Starts a check unless one is running.
    void comprueba();
    bool comprobando() const;

signals:
    // After each check; conectado false when the line is shown.
    void comprobado(bool conectado);

private:
    void termina(const QString& fallo);

    const Programa& programa_;
    QLabel* texto_ = nullptr;
    QPushButton* cmdReintentar_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;
};
