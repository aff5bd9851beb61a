#include "MessageHandler.h"

#include <QMutex>
#include <QStringList>
#include <atomic>
#include <cstdint>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/common_interface_defs.h>
#endif

namespace glyphon {

namespace {

std::atomic<bool> libraryMessagesShown = false;
std::atomic<std::FILE *> ownStream = nullptr;
// Descriptors of the real standard error and of /dev/null, once standard error has been taken over.
int realError = -1;
int nowhere = -1;

// The last messages withheld, so that a fatal one ("no Qt platform plugin could be initialized") comes with
// the reason before it ("could not connect to display").
constexpr qsizetype keptMessages = 8;
QMutex keptMutex;
QStringList kept;

// Printed here rather than by Qt's default handler, which on some builds sends messages to the system log
// when standard error is no terminal.
void print(const QString &line) {
    std::FILE *stream = standardError();
    std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    const QString line = qFormatLogMessage(type, context, message);
    if (libraryMessagesShown.load()) {
        print(line);
        return;
    }
    QMutexLocker lock(&keptMutex);
    if (type != QtFatalMsg) {
        kept.append(line);
        if (kept.size() > keptMessages)
            kept.removeFirst();
        return;
    }
    for (const QString &earlier : std::as_const(kept))
        print(earlier);
    kept.clear();
    print(line);
}

// libpng's errors and libtiff's messages bypass Qt's handler: they are written straight to descriptor 2
// (Qt leaves those libraries' default handlers in place), so descriptor 2 itself is pointed elsewhere.
void takeOverStandardError() {
#ifdef Q_OS_UNIX
    const int real = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    std::FILE *stream = real >= 0 ? fdopen(real, "w") : nullptr;
    if (!stream || null < 0) {
        if (stream)
            std::fclose(stream);
        else if (real >= 0)
            close(real);
        if (null >= 0)
            close(null);
        return;
    }
    std::setvbuf(stream, nullptr, _IONBF, 0);
    std::fflush(stderr);
    realError = real;
    nowhere = null;
    ownStream.store(stream);
#ifdef __SANITIZE_ADDRESS__
    // A sanitizer's report is ours to read, not a library's chatter.
    __sanitizer_set_report_fd(reinterpret_cast<void *>(intptr_t(real)));
#endif
    dup2(libraryMessagesShown.load() ? realError : nowhere, STDERR_FILENO);
#endif
}

} // namespace

void installMessageHandler() {
    qInstallMessageHandler(handleMessage);
    if (!ownStream.load())
        takeOverStandardError();
}

void setLibraryMessagesShown(bool shown) {
    libraryMessagesShown.store(shown);
#ifdef Q_OS_UNIX
    if (ownStream.load())
        dup2(shown ? realError : nowhere, STDERR_FILENO);
#endif
}

std::FILE *standardError() {
    std::FILE *stream = ownStream.load();
    return stream ? stream : stderr;
}

} // namespace glyphon
