#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

// A heartbeat on the event loop: a timer every 10 ms whose ticks are timed. A gap longer
// than the interval is time the loop spent on something else, the user's clicks and the
// window's paints waiting meanwhile.
class Latido : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalo = 10; // ms

    explicit Latido(QObject* parent = nullptr);

    void empieza();
    void para();

    double mayorMs() const;
    // The gap that 99 in 100 gaps do not exceed.
    double percentil99Ms() const;
    qsizetype latidos() const { return qsizetype(huecos_.size()); }

private:
    void late();

    QTimer reloj_;
    QElapsedTimer desde_;
    std::vector<qint64> huecos_; // ns between two ticks
};
