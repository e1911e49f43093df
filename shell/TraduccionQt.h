#pragma once

class QTranslator;

// Qt's own texts in Spanish: the file dialog, the text boxes' context menus, the standard
// buttons. The translation comes from Qt's installation (qtbase_es.qm, Debian package
// qt6-translations-l10n); without it those texts stay in English and nothing else changes.
namespace traduccionQt {

// Installs the translation into the running application, which owns it; nullptr when the
// file is not there.
QTranslator* instala();

} // namespace traduccionQt
