// Files replaced whole or not at all.
#pragma once

#include <QByteArray>
#include <QSaveFile>

namespace SaveFile {

// Writes Bytes into File (a QSaveFile open for writing) and puts it in
// place of the target; false, the target untouched, on any failure.
// commit() does not see a failure of the final flush in this Qt, hence the
// flush of its own.
inline bool WriteAndCommit(QSaveFile &File, const QByteArray &Bytes)
{
    return File.write(Bytes) == Bytes.size() && File.flush() && File.commit();
}

} // namespace SaveFile
