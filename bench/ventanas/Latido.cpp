#include "Latido.h"

#include <algorithm>

Latido::Latido(QObject* parent) : QObject(parent) {
    reloj_.setTimerType(Qt::PreciseTimer);
    reloj_.setInterval(kIntervalo);
    connect(&reloj_, &QTimer::timeout, this, &Latido::late);
}

void Latido::empieza() {
    huecos_.clear();
    desde_.start();
    reloj_.start();
}

void Latido::para() {
    reloj_.stop();
    // The stretch since the last tick counts too: a freeze at the very end is a gap.
    if (desde_.isValid())
        huecos_.push_back(desde_.nsecsElapsed());
    desde_.invalidate();
}

void Latido::late() {
    huecos_.push_back(desde_.nsecsElapsed());
    desde_.restart();
}

double Latido::mayorMs() const {
    return huecos_.empty() ? 0 : double(*std::max_element(huecos_.begin(), huecos_.end())) / 1e6;
}

double Latido::percentil99Ms() const {
    if (huecos_.empty())
        return 0;
    std::vector<qint64> orden = huecos_;
    const auto k = orden.begin() + qsizetype(orden.size() - 1) * 99 / 100;
    std::nth_element(orden.begin(), k, orden.end());
    return double(*k) / 1e6;
}
