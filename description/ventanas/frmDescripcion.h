#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QTextEdit;
struct Programa;

// The program's description text, and the small menu the main window pops up from its
// logo: show this window, or open the configuration file for editing.
class frmDescripcion : public QWidget {
    Q_OBJECT
public:
    // The client area at design, 9180 x 6330 twips.
    static QSize tamanoDiseno();
    // The text box never gets smaller than this, however small the window.
    static QSize tamanoMinimoTexto();

    // Load: restores the window's placement. The window is deleted when it closes, so the
    // next show loads it again.
    explicit frmDescripcion(Programa& programa, QWidget* parent = nullptr);

    // The pop-up menu "Uno" with mnDescrip and mnEditINI.
    QMenu* menu() const { return mnUno_; }
    // True until the first activation has looked for the description file.
    bool primeraActivacionPendiente() const { return primeraActivacion_; }

public slots:
    // mnDescrip: shows this window, not modal (above the window that holds the program,
    // when one does).
    void muestra();
    // mnEditINI: opens the configuration file with its associated program.
    void editaIni();

protected:
    void showEvent(QShowEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    void primeraActivacion();

    Programa& programa_;
    QTextEdit* rtbTexto_;
    QMenu* mnUno_;
    bool primeraActivacion_ = true;
};
