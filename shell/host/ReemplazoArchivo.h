#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

namespace host {

// Replaces the contents of a file that may belong to someone else (the host system's own
// files) and keeps what is not ours to change: owner, group and permissions, and the file a
// link points to. The new contents go to a temporary file that gets the old file's owner and
// permissions and is then renamed over it, so a crash leaves the old or the new file, never a
// mix. When the temporary file cannot be given them (we are not the system administrator and
// the file is someone else's, or the folder does not let us create files), or the file has
// other names (hard links) that would keep the old contents, the file is rewritten in place
// instead, after reserving the room it needs, so a full disk changes nothing; only a crash
// in the middle of that one write can leave it cut. A file without any write permission is
// left alone, even for the administrator: someone made it read-only.
class ReemplazoArchivo {
public:
    // Throws ErrorArchivo, saying why, when the file was not replaced.
    static void reemplaza(const QString& ruta, const QByteArray& bytes);

    // Puts a QSaveFile's new file in place. commit() alone reports success when the bytes
    // still buffered cannot be written (a full disk), and leaves an empty or cut file behind
    // the real name; they are written first. On false the file's error says why, and the
    // temporary file goes when the QSaveFile does.
    static bool confirma(QSaveFile& archivo);
};

} // namespace host
