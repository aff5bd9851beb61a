#pragma once

#include "imaging/Color.h"

#include <QVariant>
#include <optional>

namespace glyphon {

// The store is a file the user (or an older version) may have edited: every reader says "no value" for
// anything it cannot trust, so garbage never reaches the effects.

// A Boolean written by the store, or by hand as true/false/1/0.
std::optional<bool> storedBool(const QVariant &value);

// A finite number, clamped to the range its control offers.
std::optional<double> storedDouble(const QVariant &value, double lowest, double highest);

// "colorSelection": exactly four numbers, red, green, blue, alpha; each finite, clamped to 0 … 1.
std::optional<Color> storedColor(const QVariant &value);

// A folder as an absolute path; anything else could only be read against whatever folder is current.
std::optional<QString> storedFolder(const QVariant &value);

// The same colour as the store's list of four doubles.
QVariantList colorComponents(const Color &color);

} // namespace glyphon
