// Peak signal-to-noise ratio of a candidate image against a reference, both taken as premultiplied
// RGBA in 0…255 with full precision (16-bit references stay 16-bit). Premultiplied, because the colour
// of an almost transparent pixel is invisible and must not weigh like an opaque one.
// Usage: glyphon_psnr REFERENCE CANDIDATE   → prints the PSNR in dB ("inf" when identical)
#include <QCoreApplication>
#include <QImage>
#include <cmath>
#include <cstdio>

namespace {

double premultiplied(quint16 channel, quint16 alpha) {
    return double(channel) * double(alpha) / (65535.0 * 65535.0) * 255.0;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: glyphon_psnr REFERENCE CANDIDATE\n");
        return 2;
    }
    const QImage reference = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGBA64);
    const QImage candidate = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGBA64);
    if (reference.isNull() || candidate.isNull() || reference.size() != candidate.size()) {
        std::fprintf(stderr, "glyphon_psnr: unreadable images or different sizes\n");
        return 2;
    }
    double squares = 0.0;
    for (int y = 0; y < reference.height(); ++y) {
        const auto *a = reinterpret_cast<const QRgba64 *>(reference.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgba64 *>(candidate.constScanLine(y));
        for (int x = 0; x < reference.width(); ++x) {
            const quint16 ra[4] = {a[x].red(), a[x].green(), a[x].blue(), 65535};
            const quint16 rb[4] = {b[x].red(), b[x].green(), b[x].blue(), 65535};
            for (int c = 0; c < 4; ++c) {
                const double d = premultiplied(ra[c], a[x].alpha()) - premultiplied(rb[c], b[x].alpha());
                squares += d * d;
            }
        }
    }
    const double mse = squares / (4.0 * reference.width() * reference.height());
    if (mse == 0.0)
        std::printf("inf\n");
    else
        std::printf("%.2f\n", 10.0 * std::log10(255.0 * 255.0 / mse));
    return 0;
}
