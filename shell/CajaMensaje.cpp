#include "shell/CajaMensaje.h"

#include <QApplication>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>
#include <QQueue>

namespace {

QMutex candado;
bool modoPruebasActivo = false;
QQueue<int> respuestas;
QList<CajaMensaje::Registro> anotados;
// Boxes open one inside another. A box may be asked for while one is open (an operation
// ending behind a question); only a chain that keeps asking is cut short.
int abiertas = 0;
constexpr int kMaximoAbiertas = 8;

int respuestaPorOmision(int botones) {
    if (Avisos::botonesDe(botones) == CajaMensaje::SiNo)
        return (botones & CajaMensaje::SegundoBoton) ? CajaMensaje::RespuestaNo
                                                     : CajaMensaje::RespuestaSi;
    return CajaMensaje::RespuestaAceptar;
}

QMessageBox::Icon icono(int botones) {
    switch (botones & 0x70) {
    case CajaMensaje::Critico:
        return QMessageBox::Critical;
    case CajaMensaje::Pregunta:
        return QMessageBox::Question;
    case CajaMensaje::Exclamacion:
        return QMessageBox::Warning;
    case CajaMensaje::Informacion:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Messages hold CR line breaks, as the rest of the program writes them.
QString conSaltos(const QString& mensaje) {
    return QString(mensaje).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

int CajaMensaje::muestra(QWidget* padre, const QString& mensaje, int botones,
                         const QString& titulo) {
    return muestra(padre, mensaje, botones, titulo, Accion{});
}

int CajaMensaje::muestra(QWidget* padre, const QString& mensaje, int botones, const QString& titulo,
                         const Accion& accion) {
    const bool conAccion = accion.hacer && !accion.texto.isEmpty();
    {
        QMutexLocker l(&candado);
        anotados.append({mensaje, botones, titulo, conAccion ? accion.texto : QString(), {}});
        for (;;) {
            int respuesta;
            if (!respuestas.isEmpty())
                respuesta = respuestas.dequeue();
            else if (modoPruebasActivo)
                respuesta = respuestaPorOmision(botones);
            else
                break;
            if (respuesta != RespuestaAccion || !conAccion)
                return respuesta;
            // What the action opens may ask its own questions.
            l.unlock();
            accion.hacer();
            l.relock();
        }
        // The error path must never call itself without end; what is cut short risks
        // nothing.
        if (abiertas >= kMaximoAbiertas)
            return Avisos::respuestaSegura(botones);
        ++abiertas;
    }
    QMessageBox caja(icono(botones), titulo, mensaje, QMessageBox::NoButton, padre);
    caja.setText(conSaltos(mensaje));
    QPushButton* si = nullptr;
    QPushButton* no = nullptr;
    QPushButton* aceptar = nullptr;
    if (Avisos::botonesDe(botones) == SiNo) {
        // Alt+S and Alt+N answer.
        si = caja.addButton(QStringLiteral("&Sí"), QMessageBox::YesRole);
        no = caja.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        caja.setDefaultButton((botones & SegundoBoton) ? no : si);
        caja.setEscapeButton(no);
    } else {
        aceptar = caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        caja.setDefaultButton(aceptar);
        caja.setEscapeButton(aceptar);
    }
    QPushButton* extra =
        conAccion ? caja.addButton(accion.texto, QMessageBox::ActionRole) : nullptr;
    // Every button closes a message box: the extra one runs its action and shows it again.
    for (;;) {
        caja.exec();
        if (!extra || caja.clickedButton() != extra)
            break;
        accion.hacer();
    }
    const int respuesta = !si                          ? RespuestaAceptar
                          : caja.clickedButton() == si ? RespuestaSi
                                                       : RespuestaNo;
    QMutexLocker l(&candado);
    --abiertas;
    return respuesta;
}

int CajaMensaje::elige(QWidget* padre, const QString& mensaje, int simbolo, const QString& titulo,
                       const QStringList& opciones, int predeterminada) {
    const int salida = int(opciones.size()) - 1;
    {
        QMutexLocker l(&candado);
        anotados.append({mensaje, simbolo, titulo, QString(), opciones});
        if (!respuestas.isEmpty())
            return respuestas.dequeue();
        if (modoPruebasActivo)
            return predeterminada;
        if (abiertas >= kMaximoAbiertas || salida < 0)
            return salida;
        ++abiertas;
    }
    QMessageBox caja(icono(simbolo), titulo, conSaltos(mensaje), QMessageBox::NoButton, padre);
    QList<QPushButton*> botones;
    for (const QString& opcion : opciones)
        botones << caja.addButton(opcion, QMessageBox::ActionRole);
    caja.setDefaultButton(botones.value(predeterminada, botones.last()));
    caja.setEscapeButton(botones.last());
    caja.exec();
    const auto pulsado = botones.indexOf(qobject_cast<QPushButton*>(caja.clickedButton()));
    QMutexLocker l(&candado);
    --abiertas;
    return pulsado < 0 ? salida : int(pulsado);
}

bool CajaMensaje::confirma(QWidget* padre, const QString& mensaje, const QString& titulo,
                           bool noPorOmision) {
    const int botones = SiNo + Pregunta + (noPorOmision ? SegundoBoton : 0);
    return muestra(padre, mensaje, botones, titulo) == RespuestaSi;
}

void CajaMensaje::modoPruebas(bool activo) {
    QMutexLocker l(&candado);
    modoPruebasActivo = activo;
}

bool CajaMensaje::enPruebas() {
    QMutexLocker l(&candado);
    return modoPruebasActivo;
}

void CajaMensaje::siguienteRespuesta(int respuesta) {
    QMutexLocker l(&candado);
    respuestas.enqueue(respuesta);
}

QList<CajaMensaje::Registro> CajaMensaje::registro() {
    QMutexLocker l(&candado);
    return anotados;
}

void CajaMensaje::limpiaRegistro() {
    QMutexLocker l(&candado);
    anotados.clear();
    respuestas.clear();
}
