#include "shell/TraduccionQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

namespace traduccionQt {

namespace {

// Qt's Spanish with our words over it. It asks Qt's translation itself, so installing it alone
// puts our words first, as a translation installed after Qt's would.
class TraduccionUsuarios : public QTranslator {
public:
    explicit TraduccionUsuarios(QObject* padre) : QTranslator(padre) {}

    bool carga() {
        // The program speaks Spanish whatever the system's language.
        return qt_.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    QString translate(const char* contexto, const char* fuente, const char* desambiguacion,
                      int n) const override {
        const QString texto = qt_.translate(contexto, fuente, desambiguacion, n);
        return texto.isEmpty() ? texto : enPalabrasDeUsuario(texto);
    }
    bool isEmpty() const override { return qt_.isEmpty(); }

private:
    QTranslator qt_;
};

} // namespace

QTranslator* instala() {
    auto* traduccion = new TraduccionUsuarios(QCoreApplication::instance());
    if (traduccion->carga() && QCoreApplication::installTranslator(traduccion))
        return traduccion;
    delete traduccion;
    return nullptr;
}

QString enPalabrasDeUsuario(const QString& texto) {
    // Both words are masculine: the articles and adjectives around them stay right.
    static const QRegularExpression fichero(QStringLiteral("\\b([Ff])ichero(s?)\\b"));
    if (!texto.contains(QLatin1String("ichero")))
        return texto;
    QString salida;
    qsizetype desde = 0;
    for (auto it = fichero.globalMatch(texto); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        salida += QStringView(texto).mid(desde, m.capturedStart() - desde);
        salida += (m.captured(1) == QLatin1String("F") ? QStringLiteral("Archivo")
                                                       : QStringLiteral("archivo")) +
                  m.captured(2);
        desde = m.capturedEnd();
    }
    salida += QStringView(texto).mid(desde);
    return salida;
}

} // namespace traduccionQt
