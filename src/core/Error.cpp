#include "Error.h"

#include <QDir>

namespace glyphon {

using namespace Qt::StringLiterals;

QString Error::description() const {
    if (path.isEmpty())
        return message;
    const QString shown = QDir::toNativeSeparators(path);
    // A set's failures name the thing that failed in a sentence; a source's put the file first, as a
    // compiler does, ready for a command line to print.
    switch (kind) {
    case ErrorKind::RenderFailed:
        return u"The icon \"%1\" couldn't be rendered: %2"_s.arg(shown, message);
    case ErrorKind::EncodeFailed:
        return u"The icon \"%1\" couldn't be encoded: %2"_s.arg(shown, message);
    case ErrorKind::FolderNotCreated:
        return u"The folder \"%1\" couldn't be created: %2"_s.arg(shown, message);
    case ErrorKind::WriteFailed:
        return u"The file \"%1\" couldn't be saved: %2"_s.arg(shown, message);
    case ErrorKind::ResourceUnreadable:
        return u"The resource \"%1\" couldn't be read: %2"_s.arg(path, message);
    case ErrorKind::NotFound:
    case ErrorKind::NotAFile:
    case ErrorKind::Unreadable:
    case ErrorKind::Unsupported:
    case ErrorKind::Damaged:
    case ErrorKind::TooLarge:
        break;
    }
    return shown + u": "_s + message;
}

Error Error::withPath(const QString &filePath) const {
    Error located = *this;
    located.path = filePath;
    return located;
}

} // namespace glyphon
