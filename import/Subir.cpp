#include "import/Subir.h"

Subir::Subir(Programa& programa, QWidget* parent) : QDialog(parent), programa_(programa) {
    setObjectName(QStringLiteral("Subir"));
}
