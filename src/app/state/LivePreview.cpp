#include "LivePreview.h"

#include "BackgroundJob.h"
#include "StateField.h"

#include <QtConcurrent>

namespace glyphon {

namespace {

Image renderPreview(const Image &source, const EffectSettings &effects) {
    // A source that is not square is shown in its proportions, though it is refused for output.
    Image processed = applyEffects(source, effects, EffectCanvas::Proportional);
    // A canvas that could not be made must still end the busy state; the source is the best stand-in.
    return processed.isNull() ? source : processed;
}

} // namespace

LivePreview::LivePreview(QObject *parent) : QObject(parent) {
    m_queue.setObjectName(QStringLiteral("com.talvoren.glyphon.previewing"));
    m_queue.setMaxThreadCount(1);
    m_queue.setThreadPriority(QThread::HighPriority);
}

LivePreview::~LivePreview() {
    m_queue.waitForDone();
}

void LivePreview::setProcessedPreviewImage(const std::optional<Image> &value) {
    assignField(this, m_processedPreviewImage, value, &LivePreview::processedPreviewImageChanged);
}

void LivePreview::setIsPreviewing(bool value) {
    assignField(this, m_isPreviewing, value, &LivePreview::isPreviewingChanged);
}

void LivePreview::update(const std::optional<Image> &source, const EffectSettings &effects) {
    if (!source)
        return;
    setIsPreviewing(true);
    const quint64 job = ++m_queued;
    deliverTo(this, QtConcurrent::run(&m_queue, renderPreview, *source, effects),
              [this, job](const Image &processed) {
                  if (job < m_published)
                      return;
                  m_published = job;
                  setProcessedPreviewImage(processed);
                  setIsPreviewing(false);
              });
}

} // namespace glyphon
