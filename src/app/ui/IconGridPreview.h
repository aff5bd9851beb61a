#pragma once

#include "imaging/Image.h"

#include <QList>
#include <QScrollArea>
#include <QString>
#include <optional>

class QLabel;
class QHBoxLayout;

namespace glyphon {

// One place an application icon is shown, with its edge in points.
struct PreviewSize {
    QString label;
    double size = 0;
};

// A thumbnail frame: black at 0.2 behind a picture stretched to the frame.
class ThumbnailTile : public QWidget {
    Q_OBJECT
public:
    ThumbnailTile(int edge, QWidget *parent = nullptr);

    int edge() const { return m_edge; }
    const std::optional<Image> &thumbnail() const { return m_thumbnail; }
    void setThumbnail(std::optional<Image> thumbnail);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_edge;
    std::optional<Image> m_thumbnail;
};

// The processed image at the sizes it will be seen at: a 256-point "App Store Preview" tile over a
// row of smaller tiles, each a fresh render at its own size.
class IconGridPreview : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int minimumContentHeight = 500;
    static constexpr int appStoreEdge = 256;

    explicit IconGridPreview(QWidget *parent = nullptr);

    // The sizes the main window passes: the App Store entry first, then the row.
    static QList<PreviewSize> standardPreviewSizes();

    // Rebuilds the grid; every thumbnail is rendered again from processedImage.
    void setContent(const std::optional<Image> &image, const std::optional<Image> &processedImage,
                    bool isPreviewing, const QList<PreviewSize> &previewSizes);

    const std::optional<Image> &image() const { return m_image; }
    const std::optional<Image> &processedImage() const { return m_processedImage; }
    bool isPreviewing() const { return m_isPreviewing; }
    const QList<PreviewSize> &previewSizes() const { return m_previewSizes; }

    // The tiles now shown: the App Store tile first, then the row; empty without a processed image.
    QList<ThumbnailTile *> tiles() const;

private:
    void rebuild();

    std::optional<Image> m_image;
    std::optional<Image> m_processedImage;
    bool m_isPreviewing = false;
    QList<PreviewSize> m_previewSizes;
    QWidget *m_content;
};

// "128×128": the edge truncated to whole points, twice, with a multiplication sign.
QString sizeText(double size);

} // namespace glyphon
