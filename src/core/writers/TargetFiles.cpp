#include "TargetFiles.h"

#include "FileOps.h"

#include <QFileInfo>

namespace glyphon {

TargetFiles::TargetFiles(const QString &outputFolder, const QString &targetFolder, const FailureSink &sink)
    : m_folder(QDir(outputFolder).filePath(targetFolder)), m_sink(sink) {
    if (const Result<void> made = makeFolder(m_folder.path()); !made)
        fail(made.error());
    else
        m_ready = true;
}

QString TargetFiles::pathOf(const QString &relativePath) const {
    return m_folder.filePath(relativePath);
}

bool TargetFiles::write(const QString &relativePath, const Result<QByteArray> &bytes) {
    const QString path = pathOf(relativePath);
    if (!m_ready) {
        fail(Error{ErrorKind::WriteFailed, path, QStringLiteral("its folder could not be made")});
        return false;
    }
    if (!bytes) {
        fail(bytes.error().path.isEmpty() ? bytes.error().withPath(path) : bytes.error());
        return false;
    }
    const QString subfolder = QFileInfo(relativePath).path();
    if (subfolder != u'.' && !m_madeFolders.contains(subfolder)) {
        if (const Result<void> made = makeFolder(pathOf(subfolder)); !made) {
            fail(made.error());
            return false;
        }
        m_madeFolders.append(subfolder);
    }
    if (const Result<void> written = writeFile(path, *bytes); !written) {
        fail(written.error());
        return false;
    }
    ++m_report.written;
    return true;
}

void TargetFiles::fail(const Error &error) {
    m_sink(error);
    m_report.failures.append(error);
}

} // namespace glyphon
