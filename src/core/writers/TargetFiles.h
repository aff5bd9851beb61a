#pragma once

#include "FailureSink.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

namespace glyphon {

// Writes the files of one target below its folder, making folders as they are first needed, and keeps the
// report: each failure goes to the sink as it happens.
class TargetFiles {
public:
    TargetFiles(const QString &outputFolder, const QString &targetFolder, const FailureSink &sink);

    // False when the target's own folder could not be made; nothing can be written then.
    bool ready() const { return m_ready; }
    // The file's full path.
    QString pathOf(const QString &relativePath) const;
    // Writes the bytes, or reports the error at the file; true when the file is on disk.
    bool write(const QString &relativePath, const Result<QByteArray> &bytes);
    // Reports a failure that is not a single file's write.
    void fail(const Error &error);

    const WriteReport &report() const { return m_report; }

private:
    QDir m_folder;
    const FailureSink &m_sink;
    WriteReport m_report;
    QStringList m_madeFolders;
    bool m_ready = false;
};

} // namespace glyphon
