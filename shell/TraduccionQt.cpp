#include "shell/TraduccionQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace traduccionQt {

QTranslator* instala() {
    auto* traduccion = new QTranslator(QCoreApplication::instance());
    // The program speaks Spanish whatever the system's language.
    if (traduccion->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(traduccion))
        return traduccion;
    delete traduccion;
    return nullptr;
}

} // namespace traduccionQt
