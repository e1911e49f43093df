#pragma once

class QString;
class QTranslator;

// Qt's own texts in Spanish: the file dialog, the text boxes' context menus, the standard
// buttons. The translation comes from Qt's installation (qtbase_es.qm, Debian package
// qt6-translations-l10n); without it those texts stay in English and nothing else changes.
// Qt's Spanish is that of Spain; on top of it goes a small translation of our own with the
// words of the people who use the program ("archivo", not "fichero").
namespace traduccionQt {

// Installs the translation into the running application, which owns it; nullptr when Qt's
// file is not there. Deleting it uninstalls it.
QTranslator* instala();

// A text of Qt's Spanish in the users' words: "Nombre de fichero:" → "Nombre de archivo:".
QString enPalabrasDeUsuario(const QString& texto);

} // namespace traduccionQt
