#include "AppearancesPreview.h"

#include "BackgroundJob.h"
#include "StateField.h"
#include "writers/Generation.h"

#include <QtConcurrent>

namespace glyphon {

QList<AppearanceTile> renderAppearanceTiles(const AppearancesRequest &request) {
    GenerationInputs inputs;
    inputs.source = request.source;
    inputs.effects = request.effects;
    inputs.background = request.background;
    AppearanceOptions options;
    options.safeZones = request.safeZones;
    return renderAppearances(appearanceInputs(inputs), options);
}

AppearancesPreview::AppearancesPreview(QObject *parent) : QObject(parent) {
    m_queue.setObjectName(QStringLiteral("com.talvoren.glyphon.appearances"));
    m_queue.setMaxThreadCount(1);
}

AppearancesPreview::~AppearancesPreview() {
    m_queue.waitForDone();
}

void AppearancesPreview::setIsRendering(bool value) {
    assignField(this, m_isRendering, value, &AppearancesPreview::isRenderingChanged);
}

void AppearancesPreview::update(const AppearancesRequest &request) {
    setIsRendering(true);
    if (m_running) {
        m_waiting = request;
        return;
    }
    start(request);
}

void AppearancesPreview::clear() {
    ++m_generation;
    m_waiting.reset();
    if (!m_tiles.isEmpty()) {
        m_tiles.clear();
        emit tilesChanged();
    }
    setIsRendering(false);
}

void AppearancesPreview::start(const AppearancesRequest &request) {
    m_running = true;
    const quint64 generation = m_generation;
    deliverTo(this, QtConcurrent::run(&m_queue, renderAppearanceTiles, request),
              [this, generation](const QList<AppearanceTile> &tiles) {
                  m_running = false;
                  if (generation == m_generation) {
                      m_tiles = tiles;
                      emit tilesChanged();
                  }
                  if (m_waiting) {
                      start(*std::exchange(m_waiting, std::nullopt));
                      return;
                  }
                  if (generation == m_generation)
                      setIsRendering(false);
              });
}

} // namespace glyphon
