#pragma once

#include "import/Importacion.h"
#include "shell/FinTrabajo.h"
#include "shell/Programa.h"

#include <QDialog>
#include <functional>

class HiloTrabajo;
struct Informe;
class LineaAviso;
class PanelAvance;
class QLabel;
class QLineEdit;
class QPushButton;

// The import window: names a transfer file, checks that it exists, shows what importing it
// would do (a preview, run on a worker thread and undone), lets the user choose what to do
// with orders imported before, asks for confirmation and reads the file into the import
// database on a worker thread. Closes once the file is in, offering the report of the
// orders created.
class Subir : public QDialog {
    Q_OBJECT
public:
    // Chooses the file to open (title, filters); empty when the user chose none.
    using Selector =
        std::function<QString(QWidget* padre, const QString& titulo, const QString& filtros)>;
    // Tests put their own chooser here; an empty one restores the file dialog.
    static void ponSelector(Selector selector);

    explicit Subir(Programa& programa, QWidget* parent = nullptr);
    ~Subir() override;

    // An import is running.
    bool ocupado() const;
    // Where "Examinar" opens: the folder of the last file imported, or else the first
    // removable drive (empty: the dialog's own choice).
    QString carpetaExaminar() const;

public slots:
    // Not while the import runs: "Cancelar" stops it first.
    void reject() override;

private:
    void examina();
    void acepta();
    // What a run hands back: the import's result and its report.
    struct Subida;
    // Runs the import (revisar: only a preview) of archivo_ on the worker thread.
    void inicia(importacion::Importados importados, bool revisar);
    void termina(FinTrabajo<Subida> desenlace, bool revisar);
    void terminaRevision(const importacion::ResultadoImportacion& r, const Informe& revision);
    void terminaImportacion(const importacion::ResultadoImportacion& r, const Informe& informe);
    // What to do with the orders of the file imported before; false: cancel.
    bool eligeImportados(const importacion::ResultadoImportacion& r);
    void bloquea(bool trabajando);
    QString carpetaPrograma() const;

    Programa& programa_;
    QLabel* label1_ = nullptr;
    QLineEdit* txtArchivo_ = nullptr;
    QPushButton* cmdAceptar_ = nullptr;
    QPushButton* cmdExaminar_ = nullptr;
    PanelAvance* avance_ = nullptr;
    LineaAviso* aviso_ = nullptr;
    HiloTrabajo* hilo_ = nullptr;
    QString archivo_; // the file being previewed or imported
    importacion::Importados importados_ = importacion::Importados::Rechazar;
};
