#include "shell/ventanas/PanelAvance.h"

#include "shell/ventanas/AjustePantalla.h"
#include "shell/ventanas/HiloTrabajo.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
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
    // A wait's line can be long ("Esperando a que otro usuario libere…"): it wraps instead of
    // being cut by a narrow window.
    texto_->setWordWrap(true);
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
    if (!hilo_ || !hilo_->ocupado() || cancelando_)
        return;
    hilo_->cancela();
    cancelando_ = true;
    cancelar_->setEnabled(false);
    muestra(QStringLiteral("Cancelando…"));
}

void PanelAvance::comienza(const QString& texto) {
    esperando_ = false;
    muestra(texto);
    barra_->setRange(0, 0); // moving until the first figures arrive
    cancelando_ = false;
    cancelar_->setEnabled(true);
    barra_->show();
    cancelar_->show();
    show();
}

void PanelAvance::informa(const QString& texto, qint64 n, qint64 total) {
    if (cancelando_)
        return; // "Cancelando…" stays until the end
    if (esperando_)
        linea_ = texto;
    else
        muestra(texto);
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
    if (cancelando_) {
        // "Cancelando…" stays until the end, with why it takes long (a silent server).
        muestra(texto.isEmpty() ? QStringLiteral("Cancelando…")
                                : QStringLiteral("Cancelando… ") + texto);
        return;
    }
    if (texto.isEmpty()) {
        if (esperando_)
            muestra(linea_);
        esperando_ = false;
        return;
    }
    if (!esperando_)
        linea_ = texto_->text();
    esperando_ = true;
    muestra(texto);
}

void PanelAvance::muestra(const QString& texto) {
    texto_->setText(texto);
    // A window's layout does not grow the window for a line that wrapped: it grows here, as
    // far as the screen lets it.
    QWidget* ventana = window();
    if (!isVisible() || ventana->isMaximized() || ventana->isFullScreen())
        return;
    QLayout* disposicion = ventana->layout();
    if (!disposicion || !disposicion->hasHeightForWidth())
        return;
    // The layouts redone for the new line first, as they would be a moment later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const int alto = disposicion->totalHeightForWidth(ventana->width());
    if (alto <= ventana->height())
        return;
    ventana->resize(ventana->width(), alto);
    AjustePantalla::ajusta(*ventana);
}

void PanelAvance::termina() {
    hide();
}

void PanelAvance::concluye(const QString& texto) {
    muestra(texto);
    barra_->hide();
    cancelar_->hide();
    show();
}
