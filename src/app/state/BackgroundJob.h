#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <utility>

namespace glyphon {

// Hands a background job's result to onResult on the owner's thread, through a watcher the owner holds; a
// result that arrives after the owner is gone is dropped. The job works on its own copies, so nothing else
// needs to wait for it.
template <typename T, typename OnResult> void deliverTo(QObject *owner, QFuture<T> job, OnResult onResult) {
    auto *watcher = new QFutureWatcher<T>(owner);
    QObject::connect(watcher, &QFutureWatcherBase::finished, owner,
                     [watcher, onResult = std::move(onResult)] {
                         watcher->deleteLater();
                         onResult(watcher->result());
                     });
    watcher->setFuture(std::move(job));
}

} // namespace glyphon
