#include "shell/ventanas/PanelAvance.h"

#include "shell/ventanas/HiloTrabajo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

PanelAvance::PanelAvance(QWidget* parent)
    : QWidget(parent), texto_(new QLabel(this)), barra_(new QProgressBar(this)),
      cancelar_(new QPushButton(QStringLiteral("Cancelar"), this)) {
    setObjectName(QStringLiteral("panelAvance"));
    texto_->setObjectName(QStringLiteral("lblAvance"));
    barra_->setObjectName(QStringLiteral("barAvance"));
    cancelar_->setObjectName(QStringLiteral("cmdCancelar"));
    cancelar_->setAutoDefault(false);
    barra_->setTextVisible(false);
    barra_->setMaximumHeight(14);

    auto* columna = new QVBoxLayout;
    columna->setContentsMargins(0, 0, 0, 0);
    columna->setSpacing(2);
    columna->addWidget(texto_);
    columna->addWidget(barra_);
    auto* fila = new QHBoxLayout(this);
    fila->setContentsMargins(0, 0, 0, 0);
    fila->addLayout(columna, 1);
    fila->addWidget(cancelar_);
    hide();
}

void PanelAvance::sigue(HiloTrabajo& hilo) {
    connect(&hilo, &HiloTrabajo::avance, this, &PanelAvance::informa);
    connect(&hilo, &HiloTrabajo::espera, this, &PanelAvance::espera);
    connect(&hilo, &HiloTrabajo::terminado, this, &PanelAvance::termina);
    hilo_ = &hilo;
    connect(cancelar_, &QPushButton::clicked, this, &PanelAvance::cancela);
}

void PanelAvance::cancela() {
    if (!hilo_ || !hilo_->ocupado() || !cancelar_->isEnabled())
        return;
    hilo_->cancela();
    cancelar_->setEnabled(false);
    texto_->setText(QStringLiteral("Cancelando…"));
}

void PanelAvance::comienza(const QString& texto) {
    esperando_ = false;
    texto_->setText(texto);
    barra_->setRange(0, 0); // moving until the first figures arrive
    cancelar_->setEnabled(true);
    barra_->show();
    cancelar_->show();
    show();
}

void PanelAvance::informa(const QString& texto, qint64 n, qint64 total) {
    if (!cancelar_->isEnabled())
        return; // "Cancelando…" stays until the end
    if (esperando_)
        linea_ = texto;
    else
        texto_->setText(texto);
    if (total > 0) {
        // The bar counts in int: large totals are scaled down.
        const double parte = double(std::min(n, total)) / double(total);
        barra_->setRange(0, 1000);
        barra_->setValue(int(parte * 1000));
    } else {
        barra_->setRange(0, 0);
    }
}

void PanelAvance::espera(const QString& texto) {
    if (!cancelar_->isEnabled())
        return; // "Cancelando…" stays until the end
    if (texto.isEmpty()) {
        if (esperando_)
            texto_->setText(linea_);
        esperando_ = false;
        return;
    }
    if (!esperando_)
        linea_ = texto_->text();
    esperando_ = true;
    texto_->setText(texto);
}

void PanelAvance::termina() {
    hide();
}

void PanelAvance::concluye(const QString& texto) {
    texto_->setText(texto);
    barra_->hide();
    cancelar_->hide();
    show();
}
