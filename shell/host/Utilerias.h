#pragma once

#include <QString>

namespace host {

// Text utilities of the host library.
class Utilerias {
public:
    // Hides a stored user name or password from a glance; it is an encoding, not
    // encryption (see the README, "Stored user name and password"). The result is plain ASCII fit
    // for an INI line and is never empty, so a stored empty password still counts as stored.
    static QString Encripta(const QString& texto);
    // The inverse of Encripta. A text Encripta did not produce (a value typed by hand into
    // the installation file) is given back unchanged.
    static QString DesEncripta(const QString& texto);
};

} // namespace host
