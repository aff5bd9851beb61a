#pragma once

#include "imaging/Effects.h"
#include "imaging/Image.h"

#include <QObject>
#include <QThreadPool>
#include <optional>

namespace glyphon {

// The source as it will look with the effects: one job per change on a serial queue of its own, each
// taking copies of the source and the settings, each result published on the main thread in the order the
// jobs were queued.
class LivePreview : public QObject {
    Q_OBJECT
public:
    explicit LivePreview(QObject *parent = nullptr);
    // Lets queued jobs finish; their results go nowhere.
    ~LivePreview() override;

    const std::optional<Image> &processedPreviewImage() const { return m_processedPreviewImage; }
    // True from a request until the next result is published: a flag, not a count of jobs.
    bool isPreviewing() const { return m_isPreviewing; }
    void setProcessedPreviewImage(const std::optional<Image> &value);
    void setIsPreviewing(bool value);

    // Queues one job; nothing without a source.
    void update(const std::optional<Image> &source, const EffectSettings &effects);

    // Serial: one thread, jobs run in the order they were queued. Exposed so a caller can wait for it.
    QThreadPool &queue() { return m_queue; }

signals:
    void processedPreviewImageChanged();
    void isPreviewingChanged();

private:
    std::optional<Image> m_processedPreviewImage;
    bool m_isPreviewing = false;
    // Numbers the jobs, so a result never replaces a newer one.
    quint64 m_queued = 0;
    quint64 m_published = 0;
    QThreadPool m_queue;
};

} // namespace glyphon
