#pragma once

#include "UpdateCheckOutcome.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace glyphon {

struct AppcastParseResult {
    bool ok = false;
    QList<AvailableUpdate> items; // the usable releases, in feed order
    QString error;                // why the feed could not be read, when not ok
};

// Reads an RSS appcast with the sparkle: elements. Items without a version, or without an https download
// or release page, or meant for another operating system, are left out; a feed that is not well-formed
// XML, holds a DTD or is not RSS is an error.
AppcastParseResult parseAppcast(const QByteArray &xml);

// The release with the highest version, or nothing when the list is empty.
const AvailableUpdate *newestRelease(const QList<AvailableUpdate> &items);

} // namespace glyphon
