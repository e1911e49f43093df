#include "shell/ventanas/CajaMensaje.h"

#include "shell/host/TextoConDetalle.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>
#include <QQueue>

namespace {

using Respuesta = CajaMensaje::Respuesta;

QMutex candado;
bool modoPruebasActivo = false;
bool anotando = false;
// What tests queue: an answer code, an option's index, or the extra button.
QQueue<int> respuestas;
constexpr int kPulsaAccion = -1;
QList<CajaMensaje::Registro> anotados;
// Boxes open one inside another. A box may be asked for while one is open (an operation
// ending behind a question); only a chain that keeps asking is cut short.
int abiertas = 0;
constexpr int kMaximoAbiertas = 8;

void anotaSiSePide(CajaMensaje::Registro registro) {
    if (anotando)
        anotados.append(std::move(registro));
}

Respuesta respuestaPorOmision(const CajaMensaje::Estilo& estilo) {
    if (estilo.botones == CajaMensaje::Botones::SiNo)
        return estilo.predeterminado == CajaMensaje::Predeterminado::Segundo ? Respuesta::No
                                                                             : Respuesta::Si;
    return Respuesta::Aceptar;
}

QMessageBox::Icon icono(CajaMensaje::Icono icono) {
    switch (icono) {
    case CajaMensaje::Icono::Critico:
        return QMessageBox::Critical;
    case CajaMensaje::Icono::Pregunta:
        return QMessageBox::Question;
    case CajaMensaje::Icono::Exclamacion:
        return QMessageBox::Warning;
    case CajaMensaje::Icono::Informacion:
        return QMessageBox::Information;
    case CajaMensaje::Icono::Ninguno:
        break;
    }
    return QMessageBox::NoIcon;
}

// The main text in the box; the technical part behind "Detalles", which keeps its caption
// whether the details are shown or not.
void ponTexto(QMessageBox& caja, const host::TextoConDetalle& texto) {
    caja.setText(texto.principal);
    if (texto.detalle.isEmpty())
        return;
    caja.setDetailedText(texto.detalle);
    for (QAbstractButton* b : caja.buttons())
        if (caja.buttonRole(b) == QMessageBox::ActionRole && b->objectName().isEmpty()) {
            b->setObjectName(QStringLiteral("cmdDetalles"));
            b->setText(QStringLiteral("&Detalles"));
            // Heard after the box's own handler, which writes Qt's caption on each press.
            if (auto* fila = caja.findChild<QDialogButtonBox*>())
                QObject::connect(fila, &QDialogButtonBox::clicked, b,
                                 [b](QAbstractButton* pulsado) {
                                     if (pulsado == b)
                                         b->setText(QStringLiteral("&Detalles"));
                                 });
        }
}

CajaMensaje::Registro registroDe(const QString& mensaje, const CajaMensaje::Estilo& estilo,
                                 const QString& titulo, const QString& accion,
                                 const QStringList& opciones) {
    const host::TextoConDetalle t = host::TextoConDetalle::separa(mensaje);
    return {mensaje, t.principal, t.detalle, estilo, titulo, accion, opciones};
}

} // namespace

Respuesta CajaMensaje::muestra(QWidget* padre, const QString& mensaje, Estilo estilo,
                               const QString& titulo) {
    return muestra(padre, mensaje, estilo, titulo, Accion{});
}

Respuesta CajaMensaje::muestra(QWidget* padre, const QString& mensaje, Estilo estilo,
                               const QString& titulo, const Accion& accion) {
    const bool conAccion = accion.hacer && !accion.texto.isEmpty();
    {
        QMutexLocker l(&candado);
        anotaSiSePide(
            registroDe(mensaje, estilo, titulo, conAccion ? accion.texto : QString(), {}));
        for (;;) {
            int respuesta;
            if (!respuestas.isEmpty())
                respuesta = respuestas.dequeue();
            else if (modoPruebasActivo)
                respuesta = int(respuestaPorOmision(estilo));
            else
                break;
            if (respuesta != kPulsaAccion || !conAccion)
                return Respuesta(respuesta);
            // What the action opens may ask its own questions.
            l.unlock();
            accion.hacer();
            l.relock();
        }
        // The error path must never call itself without end; what is cut short risks
        // nothing.
        if (abiertas >= kMaximoAbiertas)
            return Avisos::respuestaSegura(estilo.botones);
        ++abiertas;
    }
    QMessageBox caja(icono(estilo.icono), titulo, QString(), QMessageBox::NoButton, padre);
    QPushButton* si = nullptr;
    QPushButton* no = nullptr;
    QPushButton* aceptar = nullptr;
    if (estilo.botones == Botones::SiNo) {
        // Alt+S and Alt+N answer.
        si = caja.addButton(QStringLiteral("&Sí"), QMessageBox::YesRole);
        no = caja.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        caja.setDefaultButton(estilo.predeterminado == Predeterminado::Segundo ? no : si);
        caja.setEscapeButton(no);
    } else {
        aceptar = caja.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
        caja.setDefaultButton(aceptar);
        caja.setEscapeButton(aceptar);
    }
    QPushButton* extra =
        conAccion ? caja.addButton(accion.texto, QMessageBox::ActionRole) : nullptr;
    if (extra)
        extra->setObjectName(QStringLiteral("cmdAccion"));
    ponTexto(caja, host::TextoConDetalle::separa(mensaje));
    // Every button closes a message box: the extra one runs its action and shows it again.
    for (;;) {
        caja.exec();
        if (!extra || caja.clickedButton() != extra)
            break;
        accion.hacer();
        // Back on the box's own answer, so the next Enter does not open the action again.
        if (QPushButton* predeterminado = caja.defaultButton())
            predeterminado->setFocus();
    }
    const Respuesta respuesta = !si                          ? Respuesta::Aceptar
                                : caja.clickedButton() == si ? Respuesta::Si
                                                             : Respuesta::No;
    QMutexLocker l(&candado);
    --abiertas;
    return respuesta;
}

int CajaMensaje::elige(QWidget* padre, const QString& mensaje, Icono simbolo, const QString& titulo,
                       const QStringList& opciones, int predeterminada) {
    const int salida = int(opciones.size()) - 1;
    {
        QMutexLocker l(&candado);
        anotaSiSePide(registroDe(mensaje, simbolo, titulo, QString(), opciones));
        if (!respuestas.isEmpty())
            return respuestas.dequeue();
        if (modoPruebasActivo)
            return predeterminada;
        if (abiertas >= kMaximoAbiertas || salida < 0)
            return salida;
        ++abiertas;
    }
    QMessageBox caja(icono(simbolo), titulo, QString(), QMessageBox::NoButton, padre);
    QList<QPushButton*> botones;
    for (const QString& opcion : opciones) {
        botones << caja.addButton(opcion, QMessageBox::ActionRole);
        botones.last()->setObjectName(QStringLiteral("cmdOpcion%1").arg(botones.size() - 1));
    }
    ponTexto(caja, host::TextoConDetalle::separa(mensaje));
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
    return muestra(padre, mensaje, Estilo::siNo(noPorOmision), titulo) == Respuesta::Si;
}

void CajaMensaje::modoPruebas(bool activo) {
    QMutexLocker l(&candado);
    modoPruebasActivo = activo;
}

bool CajaMensaje::enPruebas() {
    QMutexLocker l(&candado);
    return modoPruebasActivo;
}

void CajaMensaje::siguienteRespuesta(Respuesta respuesta) {
    QMutexLocker l(&candado);
    respuestas.enqueue(int(respuesta));
}

void CajaMensaje::siguienteAccion() {
    QMutexLocker l(&candado);
    respuestas.enqueue(kPulsaAccion);
}

void CajaMensaje::siguienteOpcion(int indice) {
    QMutexLocker l(&candado);
    respuestas.enqueue(indice);
}

void CajaMensaje::anota(bool activo) {
    QMutexLocker l(&candado);
    anotando = activo;
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
