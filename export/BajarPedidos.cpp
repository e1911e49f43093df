#include "export/BajarPedidos.h"

BajarPedidos::BajarPedidos(Programa& programa, QWidget* parent)
    : QDialog(parent), programa_(programa) {
    setObjectName(QStringLiteral("BajarPedidos"));
}
