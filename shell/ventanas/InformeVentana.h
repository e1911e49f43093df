#pragma once

#include "shell/Informe.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

// Shows a report (Informe): its title, summary and table, with buttons to copy the table to
// the clipboard, save the report as a text file and print it. Any window that ends an
// operation can show what the operation did through it.
//
// Controls by name: lblTitulo, lblResumen, tblRenglones, lblEstado (what the last button
// did), cmdCopiar, cmdGuardar, cmdImprimir, cmdCerrar.
class InformeVentana : public QDialog {
    Q_OBJECT
public:
    explicit InformeVentana(Informe informe, QWidget* parent = nullptr);

    // Shows the report, in front of padre's window, until the user closes it. In test mode
    // (CajaMensaje::modoPruebas) it is shown and left open instead, as a child of that
    // window, so a test can drive it; it is deleted when closed.
    static void muestra(QWidget* padre, const Informe& informe);

    const Informe& informe() const { return informe_; }

    // What the buttons do. The file and the printer are asked through DialogosEstandar;
    // false when the user cancelled or it failed (a failure is told in a message box).
    void copia();
    bool guarda();
    bool imprime();

private:
    void construye();
    void estado(const QString& texto);

    Informe informe_;
    QLabel* lblEstado_ = nullptr;
    QTableWidget* tabla_ = nullptr;
};
