#include "VersionComparison.h"

#include <QList>
#include <QStringView>

namespace glyphon {

namespace {

struct Part {
    bool isNumber;
    QStringView text; // a number without its leading zeros, or a word
};

QList<Part> splitVersion(QStringView version) {
    QList<Part> parts;
    qsizetype i = 0;
    while (i < version.size()) {
        const QChar c = version.at(i);
        qsizetype end = i + 1;
        if (c.isDigit()) {
            while (end < version.size() && version.at(end).isDigit())
                ++end;
            qsizetype start = i;
            while (start < end - 1 && version.at(start) == u'0')
                ++start;
            parts.append({true, version.sliced(start, end - start)});
        } else if (c.isLetter()) {
            while (end < version.size() && version.at(end).isLetter())
                ++end;
            parts.append({false, version.sliced(i, end - i)});
        }
        // Anything else (".", "-", "+", blanks) only separates parts.
        i = end;
    }
    return parts;
}

// Digit strings of any length, so a build number beyond 64 bits still orders correctly.
int compareNumbers(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool isZero(const Part &part) {
    return part.isNumber && part.text == u"0";
}

// What the extra parts of the longer version mean against the shorter one: zeros change nothing,
// a word before any non-zero number makes it a pre-release of the shorter one.
int compareTail(const QList<Part> &longer, qsizetype from) {
    for (qsizetype i = from; i < longer.size(); ++i) {
        if (isZero(longer.at(i)))
            continue;
        return longer.at(i).isNumber ? 1 : -1;
    }
    return 0;
}

} // namespace

int compareVersions(const QString &a, const QString &b) {
    const QList<Part> left = splitVersion(QStringView(a).trimmed());
    const QList<Part> right = splitVersion(QStringView(b).trimmed());
    const qsizetype common = std::min(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Part &l = left.at(i);
        const Part &r = right.at(i);
        int order = 0;
        if (l.isNumber && r.isNumber)
            order = compareNumbers(l.text, r.text);
        else if (l.isNumber != r.isNumber)
            order = l.isNumber ? 1 : -1; // 1.0.1 is newer than 1.0b1
        else
            order = l.text.compare(r.text, Qt::CaseInsensitive);
        if (order != 0)
            return order < 0 ? -1 : 1;
    }
    if (left.size() > common)
        return compareTail(left, common);
    if (right.size() > common)
        return -compareTail(right, common);
    return 0;
}

} // namespace glyphon
