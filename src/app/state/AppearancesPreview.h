#pragma once

#include "imaging/Effects.h"
#include "imaging/Image.h"
#include "preview/AppearanceSheet.h"

#include <QList>
#include <QObject>
#include <QThreadPool>
#include <optional>

namespace glyphon {

// What one render of the appearances is made from: copies, so the job shares nothing with the window.
struct AppearancesRequest {
    Image source;
    EffectSettings effects;
    Color background = defaultBackground;
    bool safeZones = false;
};

// The tiles of the Appearances view, rendered off the main thread: one job at a time on a queue of its
// own, and while one runs only the newest request waits, so a slider dragged through fifty values costs a
// few renders rather than fifty. Each job reduces the source and applies the effects itself, at the
// tiles' size, beside the live preview's job rather than after it. Results are published on the main
// thread.
class AppearancesPreview : public QObject {
    Q_OBJECT
public:
    explicit AppearancesPreview(QObject *parent = nullptr);
    // Lets the running job finish; its result goes nowhere.
    ~AppearancesPreview() override;

    const QList<AppearanceTile> &tiles() const { return m_tiles; }
    // True from a request until the tiles of the newest one are published.
    bool isRendering() const { return m_isRendering; }

    void update(const AppearancesRequest &request);
    // Forgets the tiles and any waiting request, as for a cleared image; a running job is not published.
    void clear();

    // Serial: one thread. Exposed so a caller can wait for it.
    QThreadPool &queue() { return m_queue; }

signals:
    void tilesChanged();
    void isRenderingChanged();

private:
    void start(const AppearancesRequest &request);
    void setIsRendering(bool value);

    QList<AppearanceTile> m_tiles;
    bool m_isRendering = false;
    bool m_running = false;
    std::optional<AppearancesRequest> m_waiting;
    // Numbers the requests, so a job started before a clear never publishes.
    quint64 m_generation = 0;
    QThreadPool m_queue;
};

// The tiles for one request, as the job renders them.
QList<AppearanceTile> renderAppearanceTiles(const AppearancesRequest &request);

} // namespace glyphon
