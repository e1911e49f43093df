#include "accumulation/TabAcumular.h"

TabAcumular::TabAcumular(Programa& programa, QWidget* parent)
    : QWidget(parent), programa_(programa) {}

void TabAcumular::entra() {}
