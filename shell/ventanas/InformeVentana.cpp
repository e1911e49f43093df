#include "shell/ventanas/InformeVentana.h"

#include "shell/ventanas/CajaMensaje.h"
#include "shell/ventanas/DialogosEstandar.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QPushButton* boton(const QString& nombre, const QString& texto, QWidget* padre) {
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(nombre);
    b->setAutoDefault(false);
    return b;
}

// The report as a document for the printer, built from plain texts (nothing in them is
// read as markup).
void compone(QTextDocument& documento, const Informe& informe) {
    QTextCursor cursor(&documento);
    QTextCharFormat titulo;
    titulo.setFontWeight(QFont::Bold);
    titulo.setFontPointSize(14);
    cursor.insertText(informe.titulo, titulo);
    for (const QString& linea : informe.resumen.split(QLatin1Char('\n'))) {
        cursor.insertBlock();
        cursor.insertText(linea, QTextCharFormat());
    }
    if (informe.columnas.isEmpty())
        return;
    cursor.insertBlock();
    QTextTableFormat formato;
    formato.setHeaderRowCount(1);
    formato.setCellPadding(3);
    formato.setCellSpacing(0);
    formato.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    const int columnas = int(informe.columnas.size());
    QTextTable* tabla = cursor.insertTable(int(informe.renglones.size()) + 1, columnas, formato);
    QTextCharFormat encabezado;
    encabezado.setFontWeight(QFont::Bold);
    for (int c = 0; c < columnas; ++c)
        tabla->cellAt(0, c).firstCursorPosition().insertText(informe.columnas[c], encabezado);
    for (int r = 0; r < informe.renglones.size(); ++r)
        for (int c = 0; c < columnas; ++c)
            tabla->cellAt(r + 1, c).firstCursorPosition().insertText(informe.renglones[r].value(c),
                                                                     QTextCharFormat());
}

} // namespace

InformeVentana::InformeVentana(Informe informe, QWidget* parent)
    : QDialog(parent), informe_(std::move(informe)) {
    setObjectName(QStringLiteral("InformeVentana"));
    setWindowTitle(informe_.titulo);
    construye();
    resize(760, 460);
}

void InformeVentana::construye() {
    auto* titulo = new QLabel(informe_.titulo, this);
    titulo->setObjectName(QStringLiteral("lblTitulo"));
    titulo->setTextFormat(Qt::PlainText);
    QFont letra = titulo->font();
    letra.setBold(true);
    letra.setPointSizeF(letra.pointSizeF() * 1.2);
    titulo->setFont(letra);
    auto* resumen = new QLabel(informe_.resumen, this);
    resumen->setObjectName(QStringLiteral("lblResumen"));
    resumen->setTextFormat(Qt::PlainText);
    resumen->setWordWrap(true);
    resumen->setTextInteractionFlags(Qt::TextSelectableByMouse);
    resumen->setVisible(!informe_.resumen.isEmpty());

    tabla_ = new QTableWidget(int(informe_.renglones.size()), int(informe_.columnas.size()), this);
    tabla_->setObjectName(QStringLiteral("tblRenglones"));
    tabla_->setHorizontalHeaderLabels(informe_.columnas);
    // A cell wider than a column may grow shows its start; its tooltip gives all of it.
    const int anchoMaximo = tabla_->fontMetrics().averageCharWidth() * 70;
    for (int r = 0; r < informe_.renglones.size(); ++r)
        for (int c = 0; c < informe_.columnas.size(); ++c) {
            auto* celda = new QTableWidgetItem(informe_.renglones[r].value(c));
            if (tabla_->fontMetrics().horizontalAdvance(celda->text()) > anchoMaximo)
                celda->setToolTip(celda->text());
            tabla_->setItem(r, c, celda);
        }
    tabla_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table: the arrows move between its rows.
    tabla_->setTabKeyNavigation(false);
    tabla_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tabla_->setWordWrap(false);
    tabla_->setAlternatingRowColors(true);
    tabla_->verticalHeader()->hide();
    tabla_->verticalHeader()->setDefaultSectionSize(tabla_->fontMetrics().height() + 6);
    // The others keep to their contents; the last (often the reason) takes what is left.
    tabla_->horizontalHeader()->setStretchLastSection(true);
    tabla_->resizeColumnsToContents();
    // A long reason would make a column wider than the window, to be scrolled sideways.
    for (int c = 0; c < tabla_->columnCount(); ++c)
        tabla_->setColumnWidth(c, std::min(tabla_->columnWidth(c), anchoMaximo));
    tabla_->setVisible(!informe_.columnas.isEmpty());

    lblEstado_ = new QLabel(this);
    lblEstado_->setObjectName(QStringLiteral("lblEstado"));
    lblEstado_->setTextFormat(Qt::PlainText);
    lblEstado_->setWordWrap(true);

    QPushButton* copiar = boton(QStringLiteral("cmdCopiar"), QStringLiteral("&Copiar"), this);
    QPushButton* guardar = boton(QStringLiteral("cmdGuardar"), QStringLiteral("&Guardar…"), this);
    QPushButton* imprimir =
        boton(QStringLiteral("cmdImprimir"), QStringLiteral("&Imprimir…"), this);
    QPushButton* cerrar = boton(QStringLiteral("cmdCerrar"), QStringLiteral("C&errar"), this);
    cerrar->setDefault(true);
    copiar->setToolTip(QStringLiteral("Copia la lista al portapapeles, separada por "
                                      "tabuladores."));

    auto* botones = new QHBoxLayout;
    botones->addWidget(copiar);
    botones->addWidget(guardar);
    botones->addWidget(imprimir);
    botones->addStretch(1);
    botones->addWidget(cerrar);
    auto* columna = new QVBoxLayout(this);
    columna->addWidget(titulo);
    columna->addWidget(resumen);
    columna->addWidget(tabla_, 1);
    columna->addWidget(lblEstado_);
    columna->addLayout(botones);

    connect(copiar, &QPushButton::clicked, this, &InformeVentana::copia);
    connect(guardar, &QPushButton::clicked, this, &InformeVentana::guarda);
    connect(imprimir, &QPushButton::clicked, this, &InformeVentana::imprime);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::accept);
}

void InformeVentana::muestra(QWidget* padre, const Informe& informe) {
    // It belongs to the window: a page of it may be disabled once the user moves on.
    if (padre)
        padre = padre->window();
    if (CajaMensaje::enPruebas()) {
        auto* ventana = new InformeVentana(informe, padre);
        ventana->setAttribute(Qt::WA_DeleteOnClose);
        ventana->show();
        return;
    }
    InformeVentana ventana(informe, padre);
    ventana.exec();
}

void InformeVentana::estado(const QString& texto) {
    lblEstado_->setText(texto);
}

void InformeVentana::copia() {
    QApplication::clipboard()->setText(informe_.tabla());
    estado(QStringLiteral("La lista quedó copiada en el portapapeles."));
}

bool InformeVentana::guarda() {
    const QString ruta = DialogosEstandar::archivoParaGuardar(
        this, QStringLiteral("Guardar informe"), informe_.nombreArchivo());
    if (ruta.isEmpty())
        return false;
    const QString fallo = informe_.guarda(ruta);
    if (!fallo.isEmpty()) {
        CajaMensaje::muestra(this, fallo, CajaMensaje::Icono::Critico, QStringLiteral("Error"));
        return false;
    }
    estado(QStringLiteral("Informe guardado en %1.").arg(QDir::toNativeSeparators(ruta)));
    return true;
}

bool InformeVentana::imprime() {
    QPrinter impresora;
    impresora.setDocName(informe_.titulo);
    if (!DialogosEstandar::eligeImpresora(impresora, this))
        return false;
    QTextDocument documento;
    compone(documento, informe_);
    documento.print(&impresora);
    if (impresora.printerState() == QPrinter::Error) {
        CajaMensaje::muestra(this,
                             QStringLiteral("No se pudo imprimir el informe. Revise que la "
                                            "impresora esté disponible e intente otra vez."),
                             CajaMensaje::Icono::Critico, QStringLiteral("Error"));
        return false;
    }
    // The dialog's "print to file" sends nothing to a printer: say where the file went.
    if (const QString archivo = impresora.outputFileName(); !archivo.isEmpty())
        estado(QStringLiteral("Informe guardado en %1.").arg(QDir::toNativeSeparators(archivo)));
    else
        estado(QStringLiteral("Informe enviado a la impresora."));
    return true;
}
