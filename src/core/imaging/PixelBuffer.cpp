#include "PixelBuffer.h"

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#endif

namespace glyphon {

// The kernel then maps 2 MiB per fault instead of 4 KiB, and on virtual machines each fault is dear;
// a 2048-pixel level alone is 4096 of them. Only whole huge pages inside the buffer are advised.
QImage freshCanvas(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
#ifdef Q_OS_LINUX
    constexpr quintptr hugePage = quintptr(2) << 20;
    if (!image.isNull() && image.sizeInBytes() >= qsizetype(2 * hugePage)) {
        const auto begin = (quintptr(image.bits()) + hugePage - 1) & ~(hugePage - 1);
        const auto end = (quintptr(image.bits()) + quintptr(image.sizeInBytes())) & ~(hugePage - 1);
        if (end > begin)
            madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
    }
#endif
    return image;
}

} // namespace glyphon
