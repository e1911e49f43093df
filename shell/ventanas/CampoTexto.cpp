#include "shell/ventanas/CampoTexto.h"

#include "shell/host/Fechas.h"
#include "shell/host/libNucleo.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <algorithm>

CampoTexto::CampoTexto(QWidget* campo, QChar clase) : QObject(campo), clase_(clase) {}

void CampoTexto::instala(QWidget* campo, QChar clase) {
    campo->installEventFilter(new CampoTexto(campo, clase));
}

QLineEdit* CampoTexto::creaFecha(const QString& nombre, QChar clase, QWidget* parent) {
    auto* campo = new QLineEdit(parent);
    campo->setObjectName(nombre);
    campo->setInputMask(host::libNucleo::MascaraFecha());
    campo->setFixedWidth(campo->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) +
                         12);
    ponFecha(*campo, QDate::currentDate());
    instala(campo, clase);
    return campo;
}

QDate CampoTexto::fecha(const QLineEdit& campo) {
    return host::Fechas::deTextoCorto(campo.text());
}

bool CampoTexto::tieneDigitos(const QLineEdit& campo) {
    const QString texto = campo.text();
    return std::any_of(texto.begin(), texto.end(), [](QChar c) { return c.isDigit(); });
}

void CampoTexto::ponFecha(QLineEdit& campo, const QDate& fecha) {
    campo.setText(fecha.isValid() ? fecha.toString(host::libNucleo::FormatoFecha()) : QString());
}

namespace {

QLineEdit* lineaDe(QObject* objeto) {
    if (auto* linea = qobject_cast<QLineEdit*>(objeto))
        return linea;
    if (auto* combo = qobject_cast<QComboBox*>(objeto))
        return combo->lineEdit();
    return nullptr;
}

} // namespace

bool CampoTexto::eventFilter(QObject* objeto, QEvent* evento) {
    auto* campo = static_cast<QWidget*>(objeto);
    switch (evento->type()) {
    case QEvent::FocusIn:
        if (QLineEdit* linea = lineaDe(objeto)) {
            // Deferred: the mouse press that gave the focus would place the cursor and
            // undo the selection.
            QPointer<QLineEdit> guarda(linea);
            QTimer::singleShot(0, linea, [guarda] {
                if (guarda && guarda->hasFocus())
                    guarda->selectAll();
            });
        }
        break;
    case QEvent::KeyPress: {
        auto* tecla = static_cast<QKeyEvent*>(evento);
        if ((tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter) &&
            tecla->modifiers() == Qt::NoModifier) {
            // Return moves on like Tab (and never presses a dialog's default button).
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QApplication::sendEvent(campo, &tab);
            return true;
        }
        const QString texto = tecla->text();
        if (clase_ == u'9' && texto.size() == 1 && texto.at(0).isPrint() &&
            !(texto.at(0) >= u'0' && texto.at(0) <= u'9'))
            return true;
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(objeto, evento);
}
