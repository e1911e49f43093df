#pragma once

#include <QString>

struct Programa;

// The start-up that needs no window: program folder, file names, configuration, database
// names and the texts the main window shows.
namespace arranque {

// The name the configuration and description files take beside the executable: the
// executable's own ("acumulapedidos" when it has none), without a Windows ".exe".
QString nombreBase(const QString& ejecutable);

// The user's own folder for the program's files when the executable's folder cannot take its
// INI: "~/.config/<nombre>" (XDG_CONFIG_HOME when set).
QString carpetaDeUsuario(const QString& nombre);

// Makes the program folder the working folder (the --ini file's folder when archivoIni is
// given, resolved against the working folder at the call, else the executable's, or
// carpetaDeUsuario when that folder has no INI and the user may not write in it), sets the
// file names, loads the configuration and reads the export and import database names.
// False, after the user has been told, when the program cannot go on. Sets the console
// Avisos when programa has none.
bool arranca(Programa& programa, const QString& ejecutable, const QString& archivoIni = {});

// "   v 1.0.0"
QString textoVersion();
// The databases in use, lines separated by a carriage return.
QString textoMuestra(const Programa& programa);

// Opens the main database once to see that the server can be reached and lets the user in;
// tells the user, naming server, port, user and database (never the password), when not.
// A main database the server does not have is left to the operations that use it.
bool compruebaConexion(Programa& programa);

} // namespace arranque
