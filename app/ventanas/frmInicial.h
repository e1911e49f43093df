#pragma once

#include "journal/TiposBitacora.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class AvisoServidor;
class MarcoVentana;
class QDialog;
class QLabel;
class QPushButton;
class QSizeGrip;
class QTabWidget;
class TabAcumular;
class frmDescripcion;
struct Programa;

// The main window: the start-up, a borderless window with its own painted frame, and the
// tab control whose first tab is the menu of the three operations. Only the current tab can
// be reached; the accumulation runs on tab 1, export and import in modal windows.
class frmInicial : public QWidget {
    Q_OBJECT
public:
    static QSize tamanoDiseno();
    // The caption before the version text is added.
    static QString tituloDiseno() { return QStringLiteral("Acumula pedidos"); }
    static QString preguntaCierre() { return QStringLiteral("¿Desea cerrar este programa?"); }
    // Asked instead when work is running, after what it is.
    static QString preguntaCierreEnCurso() {
        return QStringLiteral("¿Desea cancelar ese trabajo y cerrar el programa en cuanto se "
                              "detenga?");
    }

    // Load: the program folder becomes the working folder, the configuration is loaded
    // (the messages go through the program's message box when programa has no Avisos
    // yet), and the window is built and placed where it was left. Nothing, after the user
    // has been told, when the program cannot start: no window is shown then.
    static std::unique_ptr<frmInicial> carga(Programa& programa, const QString& ejecutable,
                                             const QString& archivoIni = {});

    // Shows only tab n: every other tab is disabled, so the user reaches no other.
    void seleccionaTab(int n);

    // The description window, loaded on first use.
    frmDescripcion* descripcion();
    // The frame, built at the first activation (null before).
    MarcoVentana* marco() const { return marco_; }
    bool primeraActivacionPendiente() const { return primeraActivacionPendiente_; }
    bool confirmaAlCerrar() const { return confirmaCierre_; }

public slots:
    // Shrinks the window to a bar with its restore button, and back.
    void encoge();
    void expande();
    // Opens the configuration file in the user's editor.
    void editaIni();
    // Maximised, or back to its former size.
    void maximiza();

protected:
    void showEvent(QShowEvent* evento) override;
    void paintEvent(QPaintEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;
    void mouseDoubleClickEvent(QMouseEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    void changeEvent(QEvent* evento) override;

private:
    explicit frmInicial(Programa& programa);
    QWidget* creaMenu();
    QWidget* creaPaginaBase(int indice);
    void ponFechasDeHoy();
    // The tabs take the window's room above "Regresar"; the grip sits in the corner.
    void colocaContenido();
    void primeraActivacion();
    void muestraModal(QDialog* ventana);
    // The journal window: its "¿Qué llegó?" answered by the send's window, its "Deshacer…"
    // opening the undo of the run chosen.
    void muestraBitacora();
    void abreDeshacer(qint64 corrida, bitacora::Operacion operacion, const QString& base);
    // "Regresar" serves tabs 1 to 3, and not while the accumulation tab is working.
    void habilitaRegresar();
    // A close asked for while the accumulation tab works: it is cancelled first, and the
    // window closes once it has stopped and its end has been told.
    void cierraTrasCancelar();

    Programa& programa_;
    bool primeraActivacionPendiente_ = true;
    bool confirmaCierre_ = false;
    // The user chose to close once the running work has been cancelled.
    bool cerrarAlTerminar_ = false;

    QTabWidget* sstTabs_ = nullptr;
    QPushButton* cmdRegresar_ = nullptr;
    QLabel* lblMuestra_ = nullptr;
    AvisoServidor* avisoServidor_ = nullptr;
    QSizeGrip* agarre_ = nullptr;
    TabAcumular* tabAcumular_ = nullptr;
    MarcoVentana* marco_ = nullptr;
    QPointer<frmDescripcion> descripcion_;
};
