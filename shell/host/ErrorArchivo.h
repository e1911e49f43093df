#pragma once

#include "shell/host/Error.h"

namespace host {

// A settings file (the program's INI, the installation's file) that cannot be read or
// written, or a document that cannot be opened.
class ErrorArchivo : public Error {
public:
    using Error::Error;
};

} // namespace host
